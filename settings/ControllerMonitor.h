#pragma once
// The controller's monitor: the monitor between whose cable and the graphics card the stereo
// controller sits, where every line code, every full-screen stereo window and every capture goes.
//
// The user chooses it (the Activator's test dialog); the choice is kept per user, in
// HKEY_CURRENT_USER\Software\<maker>\<product>\1.0\"Controller Monitor": "Device" (REG_SZ, the display
// device's name, "\\.\DISPLAY2") and "Rectangle" (REG_BINARY, four little-endian signed 32-bit
// numbers: left, top, right and bottom in virtual-screen coordinates, physical pixels). It is found
// again by the device name first, then by the rectangle; where nothing is stored, the primary monitor
// is the controller's.
//
// Monitors come and go while the programs run, so the choice is looked up at every use.

#include "settings/MonitorRules.h"

#include <windows.h>

#include <vector>

// The monitors as the system reports them now, in its order. Rectangles are in the calling thread's
// coordinates: physical pixels for the suite's programs, which are per-monitor DPI aware.
std::vector<CMonitorEntry> ListMonitors();

// The stored choice; false, with `identity` unchanged, when none is stored.
bool ReadMonitorChoice(CMonitorIdentity& identity);
// Stores the choice of `monitor`; false when the key or a value cannot be written.
bool WriteMonitorChoice(const CMonitorEntry& monitor);

struct CControllerMonitor {
    CMonitorEntry monitor;
    // Its index in the list it was found in; none when the system reported no monitor at all (the
    // monitor is then the screen that the system metrics give).
    std::optional<std::size_t> index;
    // A monitor was chosen but is not there now: the primary stands in for it.
    bool chosenGone = false;
};

// The controller's monitor among `monitors` (ListMonitors): the chosen one, or the primary where none
// was chosen or the chosen one is gone.
CControllerMonitor FindControllerMonitor(std::span<const CMonitorEntry> monitors);
// The same among the monitors of this moment.
CControllerMonitor FindControllerMonitor();

inline RECT RectOf(const CMonitorRect& rect) {
    return RECT{rect.left, rect.top, rect.right, rect.bottom};
}
