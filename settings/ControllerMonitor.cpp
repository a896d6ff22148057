#include "settings/ControllerMonitor.h"

#include "settings/RegistryNames.h"
#include "settings/RegistryPath.h"

#include <cstdint>
#include <cstring>

namespace {

bool OpenMonitorKey(CRegistryKey& key, bool create) {
    return WalkKeyPath(
        key, HKEY_CURRENT_USER,
        {"Software", kMakerKey.Load(), kProductKey.Load(), kSettingsVersion, kControllerMonitorKey.Load()},
        create);
}

BOOL CALLBACK AddMonitor(HMONITOR handle, HDC, LPRECT, LPARAM list) {
    MONITORINFOEXA info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(handle, &info)) {
        const RECT& r = info.rcMonitor;
        reinterpret_cast<std::vector<CMonitorEntry>*>(list)->push_back(
            {info.szDevice, {r.left, r.top, r.right, r.bottom}, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return TRUE;
}

} // namespace

std::vector<CMonitorEntry> ListMonitors() {
    std::vector<CMonitorEntry> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

bool ReadMonitorChoice(CMonitorIdentity& identity) {
    CRegistryKey key;
    if (!OpenMonitorKey(key, false))
        return false;
    CMonitorIdentity stored;
    key.ReadString(kDeviceValue.Load(), stored.device);
    std::vector<std::uint8_t> bytes;
    if (key.ReadBinary(kRectangleValue.Load(), bytes) && bytes.size() == 4 * sizeof(std::int32_t)) {
        std::int32_t edges[4];
        std::memcpy(edges, bytes.data(), sizeof edges);
        stored.rect = CMonitorRect{edges[0], edges[1], edges[2], edges[3]};
    }
    if (stored.device.empty() && !stored.rect)
        return false;
    identity = std::move(stored);
    return true;
}

bool WriteMonitorChoice(const CMonitorEntry& monitor) {
    CRegistryKey key;
    if (!OpenMonitorKey(key, true))
        return false;
    const CMonitorRect& r = monitor.rect;
    const std::int32_t edges[4] = {r.left, r.top, r.right, r.bottom};
    std::uint8_t bytes[sizeof edges];
    std::memcpy(bytes, edges, sizeof edges);
    const bool deviceWritten = key.WriteString(kDeviceValue.Load(), monitor.device);
    const bool rectWritten = key.WriteBinary(kRectangleValue.Load(), bytes);
    return deviceWritten && rectWritten;
}

CControllerMonitor FindControllerMonitor(std::span<const CMonitorEntry> monitors) {
    CControllerMonitor found;
    CMonitorIdentity chosen;
    if (ReadMonitorChoice(chosen)) {
        found.index = FindMonitor(monitors, chosen);
        found.chosenGone = !found.index;
    }
    if (!found.index)
        found.index = PrimaryMonitor(monitors);
    if (found.index) {
        found.monitor = monitors[*found.index];
    } else {
        // No monitor reported at all: the screen as the system metrics give it.
        found.monitor.rect = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        found.monitor.primary = true;
    }
    return found;
}

CControllerMonitor FindControllerMonitor() {
    return FindControllerMonitor(ListMonitors());
}
