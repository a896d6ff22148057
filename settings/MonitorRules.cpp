#include "settings/MonitorRules.h"

#include <cctype>

namespace {

bool SameDevice(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

} // namespace

std::optional<std::size_t> FindMonitor(std::span<const CMonitorEntry> monitors,
                                       const CMonitorIdentity& identity) {
    if (!identity.device.empty()) {
        for (std::size_t i = 0; i < monitors.size(); ++i) {
            if (SameDevice(monitors[i].device, identity.device))
                return i;
        }
    }
    if (identity.rect) {
        for (std::size_t i = 0; i < monitors.size(); ++i) {
            if (monitors[i].rect == *identity.rect)
                return i;
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> PrimaryMonitor(std::span<const CMonitorEntry> monitors) {
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        if (monitors[i].primary)
            return i;
    }
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        if (monitors[i].rect.left == 0 && monitors[i].rect.top == 0)
            return i;
    }
    if (monitors.empty())
        return std::nullopt;
    return 0;
}

int MonitorNumber(const std::string& device, int fallback) {
    std::size_t start = device.size();
    while (start > 0 && std::isdigit(static_cast<unsigned char>(device[start - 1])))
        --start;
    // More than nine digits is no display's number.
    if (start == device.size() || device.size() - start > 9)
        return fallback;
    return std::stoi(device.substr(start));
}

std::string MonitorListText(const CMonitorEntry& monitor, int number) {
    const CMonitorRect& r = monitor.rect;
    return std::to_string(number) + ": " + std::to_string(r.Width()) + " x " + std::to_string(r.Height()) +
           " at " + std::to_string(r.left) + ", " + std::to_string(r.top) +
           (monitor.primary ? " (primary)" : "");
}
