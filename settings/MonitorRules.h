#pragma once
// How the controller's monitor is found again among the monitors of the moment, and how a monitor is
// named in a list. Plain code, free of any Windows header.

#include <cstddef>
#include <optional>
#include <span>
#include <string>

// A rectangle in virtual-screen coordinates (the primary monitor's top-left corner is 0, 0), in the
// RECT layout: right and bottom lie just outside.
struct CMonitorRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const noexcept { return right - left; }
    int Height() const noexcept { return bottom - top; }
    friend bool operator==(const CMonitorRect&, const CMonitorRect&) = default;
};

// A monitor as the system reports it.
struct CMonitorEntry {
    std::string device; // "\\.\DISPLAY2"
    CMonitorRect rect;
    bool primary = false;
};

// What is stored to find a monitor again after a restart: its device name and its rectangle.
struct CMonitorIdentity {
    std::string device;
    std::optional<CMonitorRect> rect;
};

// The index of the monitor that `identity` names: the one with its device name (in any case), else the
// one with its rectangle. None when neither is there.
std::optional<std::size_t> FindMonitor(std::span<const CMonitorEntry> monitors,
                                       const CMonitorIdentity& identity);

// The index of the primary monitor: the one marked primary, else the one at the origin, else the first.
// None for an empty list.
std::optional<std::size_t> PrimaryMonitor(std::span<const CMonitorEntry> monitors);

// The number by which a user knows a monitor: the number that ends its device name ("\\.\DISPLAY2" is 2),
// or `fallback` when the name ends in none.
int MonitorNumber(const std::string& device, int fallback);

// A monitor as a list shows it: "2: 1280 x 1024 at 1024, 0", with " (primary)" after the primary.
std::string MonitorListText(const CMonitorEntry& monitor, int number);
