#include "settings/SettingsKeys.h"

#include "settings/RegistryPath.h"

#include <utility>

namespace {

const HKEY kRoots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};

} // namespace

CSettingsKeys::CSettingsKeys(std::initializer_list<std::string> path) {
    for (int i = 0; i < 2; ++i) {
        CRegistryKey version;
        // A walk that stops half way holds a key above the one asked for: nothing to give.
        if (!OpenVersionKey(version, kRoots[i], false) || !WalkKeyPath(m_keys[i], version, path, false))
            m_keys[i].Close();
    }
}

CSettingsKeys::CSettingsKeys(CCaptureKeyTag) {
    for (int i = 0; i < 2; ++i)
        OpenCaptureKey(m_keys[i], kRoots[i], false);
}

bool CSettingsKeys::ReadNumber(const std::string& name, std::uint32_t& value) const {
    for (const CRegistryKey& key : m_keys)
        if (key.ReadNumber(name, value))
            return true;
    return false;
}

bool CSettingsKeys::ReadString(const std::string& name, std::string& value) const {
    for (const CRegistryKey& key : m_keys)
        if (key.ReadString(name, value))
            return true;
    return false;
}

bool CSettingsKeys::ReadNumber(const std::string& name, std::uint32_t& value,
                               bool (*accept)(std::uint32_t)) const {
    for (const CRegistryKey& key : m_keys) {
        std::uint32_t number = 0;
        if (key.ReadNumber(name, number) && accept(number)) {
            value = number;
            return true;
        }
    }
    return false;
}

bool CSettingsKeys::ReadString(const std::string& name, std::string& value,
                               bool (*accept)(const std::string&)) const {
    for (const CRegistryKey& key : m_keys) {
        std::string text;
        if (key.ReadString(name, text) && accept(text)) {
            value = std::move(text);
            return true;
        }
    }
    return false;
}
