#include "settings/RegistryKey.h"

#include <utility>

bool CRegistryKey::Open(HKEY parent, const std::string& name, REGSAM access) noexcept {
    HKEY key = nullptr;
    if (!parent || RegOpenKeyExA(parent, name.c_str(), 0, access, &key) != ERROR_SUCCESS)
        return false;
    Take(key);
    return true;
}

bool CRegistryKey::Create(HKEY parent, const std::string& name) noexcept {
    HKEY key = nullptr;
    if (!parent || RegCreateKeyExA(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    Take(key);
    return true;
}

void CRegistryKey::Take(HKEY key) noexcept {
    Close();
    m_key = key;
}

void CRegistryKey::Close() noexcept {
    if (m_key) {
        RegCloseKey(m_key);
        m_key = nullptr;
    }
}

bool CRegistryKey::ReadString(const std::string& name, std::string& value) const {
    if (!m_key)
        return false;
    // Read through the wide-character call: it hands over the stored bytes as they are, where the ANSI
    // call may add a terminator that was never stored.
    wchar_t wideName[256];
    if (!MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wideName, 256))
        return false;
    wchar_t buffer[kStringBufferBytes];
    DWORD type = 0;
    DWORD size = sizeof buffer;
    if (RegQueryValueExW(m_key, wideName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS)
        return false;
    if (type != REG_SZ || size > sizeof buffer)
        return false;
    // The terminator must lie within what was stored; the text ends at the first one.
    const size_t stored = size / sizeof(wchar_t);
    size_t length = 0;
    while (length < stored && buffer[length] != L'\0')
        ++length;
    if (length == stored)
        return false;
    // The text and its terminator must fit the 255-byte buffer in the ANSI code page.
    char text[kStringBufferBytes];
    int bytes = 0;
    if (length > 0) {
        bytes = WideCharToMultiByte(CP_ACP, 0, buffer, static_cast<int>(length), text, sizeof text - 1,
                                    nullptr, nullptr);
        if (bytes <= 0)
            return false;
    }
    value.assign(text, static_cast<size_t>(bytes));
    return true;
}

bool CRegistryKey::ReadNumber(const std::string& name, std::uint32_t& value) const noexcept {
    DWORD number = 0;
    DWORD type = 0;
    DWORD size = sizeof number;
    if (!m_key || RegQueryValueExA(m_key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&number),
                                   &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_DWORD || size != sizeof number)
        return false;
    value = number;
    return true;
}

bool CRegistryKey::WriteString(const std::string& name, const std::string& value) const noexcept {
    return m_key &&
           RegSetValueExA(m_key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool CRegistryKey::WriteNumber(const std::string& name, std::uint32_t value) const noexcept {
    DWORD number = value;
    return m_key && RegSetValueExA(m_key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                   sizeof number) == ERROR_SUCCESS;
}

bool CRegistryKey::ReadBinary(const std::string& name, std::vector<std::uint8_t>& value) const {
    DWORD type = 0;
    DWORD size = 0;
    if (!m_key || RegQueryValueExA(m_key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_BINARY || size > kBinaryLimitBytes)
        return false;
    std::vector<std::uint8_t> data(size);
    // The value may change between the two calls; what does not fit the first size counts as missing.
    if (RegQueryValueExA(m_key, name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size > data.size())
        return false;
    data.resize(size);
    value = std::move(data);
    return true;
}

bool CRegistryKey::WriteBinary(const std::string& name, std::span<const std::uint8_t> value) const noexcept {
    return m_key && RegSetValueExA(m_key, name.c_str(), 0, REG_BINARY, value.data(),
                                   static_cast<DWORD>(value.size())) == ERROR_SUCCESS;
}
