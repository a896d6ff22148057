#pragma once
// The same key of the settings tree in the user's registry and in the machine's, read value by value:
// a value that the user's key holds is the user's choice, and every value it lacks comes from the
// machine's key, which Setup and administrators write as every user's default. A key that does not
// open has nothing to give.

#include "settings/RegistryKey.h"

#include <cstdint>
#include <initializer_list>
#include <string>

class CSettingsKeys {
public:
    // V\<path> (one name at least) in each tree, V being the version key that the tree's own
    // "Current Version" names.
    explicit CSettingsKeys(std::initializer_list<std::string> path);
    // The capture settings' key, R\"1.0"\"Capture", in each tree.
    struct CCaptureKeyTag {};
    explicit CSettingsKeys(CCaptureKeyTag);

    bool AnyOpen() const noexcept { return User().IsOpen() || Machine().IsOpen(); }
    const CRegistryKey& User() const noexcept { return m_keys[0]; }
    const CRegistryKey& Machine() const noexcept { return m_keys[1]; }

    // As CRegistryKey reads them, from the user's key first, then the machine's. False, `value`
    // unchanged, when neither holds the value.
    bool ReadNumber(const std::string& name, std::uint32_t& value) const;
    bool ReadString(const std::string& name, std::string& value) const;
    // A number or string that `accept` refuses counts as missing where it is stored.
    bool ReadNumber(const std::string& name, std::uint32_t& value, bool (*accept)(std::uint32_t)) const;
    bool ReadString(const std::string& name, std::string& value, bool (*accept)(const std::string&)) const;

private:
    CRegistryKey m_keys[2];
};
