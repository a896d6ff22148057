#pragma once
// An open registry key, walked along a path one name at a time: Open and Create take the new key
// only when it opens, then close the key held before, so `key.Open(key, "Next")` steps down.

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CRegistryKey {
public:
    // The buffer that every string value is read into, terminator included.
    static constexpr DWORD kStringBufferBytes = 255;

    CRegistryKey() noexcept = default;
    ~CRegistryKey() { Close(); }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // RegOpenKeyEx with `access` (KEY_READ unless told otherwise).
    bool Open(HKEY parent, const std::string& name, REGSAM access = KEY_READ) noexcept;
    // RegCreateKeyEx, non-volatile, with read and write access: the programs create keys in the
    // user's own tree only.
    bool Create(HKEY parent, const std::string& name) noexcept;
    void Close() noexcept;

    HKEY Get() const noexcept { return m_key; }
    operator HKEY() const noexcept { return m_key; }
    bool IsOpen() const noexcept { return m_key != nullptr; }

    // A REG_SZ value that fits the 255-byte buffer with its terminator. A value that is longer, of
    // another type, or stored without a terminator counts as missing: false, `value` unchanged.
    bool ReadString(const std::string& name, std::string& value) const;
    // A REG_DWORD value. Any other type or size counts as missing: false, `value` unchanged.
    bool ReadNumber(const std::string& name, std::uint32_t& value) const noexcept;
    // REG_SZ with its terminating zero.
    bool WriteString(const std::string& name, const std::string& value) const noexcept;
    // REG_DWORD.
    bool WriteNumber(const std::string& name, std::uint32_t value) const noexcept;
    // A REG_BINARY value of at most kBinaryLimitBytes. Any other type, or a longer value, counts as
    // missing: false, `value` unchanged.
    static constexpr DWORD kBinaryLimitBytes = 65536;
    bool ReadBinary(const std::string& name, std::vector<std::uint8_t>& value) const;
    // REG_BINARY.
    bool WriteBinary(const std::string& name, std::span<const std::uint8_t> value) const noexcept;

private:
    void Take(HKEY key) noexcept;

    HKEY m_key = nullptr;
};
