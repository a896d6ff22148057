#include "tools/installer/KeyGuard.h"

#include "tools/installer/GuardSecurity.h"

#include <aclapi.h>
#include <winternl.h>

extern "C" NTSTATUS NTAPI NtDeleteKey(HANDLE key);

namespace {

// What makes a key someone's to change: its values, its subkeys and links, itself and its rules.
constexpr ACCESS_MASK kKeyChangeRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE |
                                         WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
constexpr REGSAM kSecuringAccess = READ_CONTROL | WRITE_DAC | WRITE_OWNER;
constexpr SECURITY_INFORMATION kWholeRules =
    OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;

class CKeyHandle {
public:
    CKeyHandle() = default;
    ~CKeyHandle() {
        if (m_key)
            RegCloseKey(m_key);
    }
    CKeyHandle(const CKeyHandle&) = delete;
    CKeyHandle& operator=(const CKeyHandle&) = delete;

    // Opens the key itself, a link included (REG_OPTION_OPEN_LINK): never what a link names.
    LONG Open(HKEY parent, const std::wstring& name, REGSAM access) {
        Close();
        return RegOpenKeyExW(parent, name.c_str(), REG_OPTION_OPEN_LINK, access, &m_key);
    }
    void Close() {
        if (m_key)
            RegCloseKey(m_key);
        m_key = nullptr;
    }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

class CTreeGuard {
public:
    CTreeGuard(CKeyGuardReport& report, const std::wstring& productKey)
        : m_report(report), m_productKey(productKey), m_rules(kKeyRules) {}

    void Secure(HKEY parent, const std::wstring& name, const std::wstring& path, bool aboveWasOpen);

private:
    bool Open(HKEY parent, const std::wstring& name, CKeyHandle& key, bool& shutOut);
    bool IsLink(HKEY key) const;
    void Fail(const std::wstring& path, const std::string& what) {
        m_report.lines.push_back("Could not " + what + " " + Narrow(path.empty() ? m_productKey : path) +
                                 ".");
        m_report.complete = false;
    }

    CKeyGuardReport& m_report;
    const std::wstring m_productKey;
    CSecurityDescriptor m_rules;
};

// Opens the key for securing; one that shuts administrators out is first taken over by ownership.
bool CTreeGuard::Open(HKEY parent, const std::wstring& name, CKeyHandle& key, bool& shutOut) {
    shutOut = false;
    LONG status = key.Open(parent, name, kSecuringAccess);
    if (status != ERROR_ACCESS_DENIED)
        return status == ERROR_SUCCESS;
    // Only its creator can have made it so: someone else owned it.
    shutOut = true;
    CKeyHandle owner;
    if (owner.Open(parent, name, WRITE_OWNER) != ERROR_SUCCESS ||
        RegSetKeySecurity(owner.get(), OWNER_SECURITY_INFORMATION, m_rules.get()) != ERROR_SUCCESS)
        return false;
    return key.Open(parent, name, kSecuringAccess) == ERROR_SUCCESS;
}

bool CTreeGuard::IsLink(HKEY key) const {
    DWORD type = 0;
    return RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
           type == REG_LINK;
}

void CTreeGuard::Secure(HKEY parent, const std::wstring& name, const std::wstring& path, bool aboveWasOpen) {
    CKeyHandle key;
    bool shutOut = false;
    if (!Open(parent, name, key, shutOut))
        return Fail(path, "take back the registry key");
    bool open = aboveWasOpen || shutOut;
    if (!open) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (GetSecurityInfo(key.get(), SE_REGISTRY_KEY,
                            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                            nullptr, &descriptor) != ERROR_SUCCESS)
            open = true;
        else
            open = OthersCouldChange(descriptor, kKeyChangeRights);
        if (descriptor)
            LocalFree(descriptor);
    }
    // Owner and rules in one call: Wine resets the rules when the owner alone is set.
    if (RegSetKeySecurity(key.get(), kWholeRules, m_rules.get()) != ERROR_SUCCESS)
        return Fail(path, "set the access rules of the registry key");
    if (open)
        m_report.openKeys.push_back(path);

    CKeyHandle contents;
    if (contents.Open(parent, name, KEY_READ | DELETE) != ERROR_SUCCESS)
        return Fail(path, "read the registry key");
    if (IsLink(contents.get())) {
        // Deleted through the handle of the link itself: deleting it by name would reach what it names.
        if (!NT_SUCCESS(NtDeleteKey(contents.get())))
            return Fail(path, "delete the registry link");
        m_report.lines.push_back("Deleted the registry link " + Narrow(path) + ".");
        return;
    }
    // The key is the administrators' now: nobody else can add a subkey while they are listed.
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        wchar_t subkey[256];
        DWORD length = 256;
        const LONG status =
            RegEnumKeyExW(contents.get(), i, subkey, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            return Fail(path, "list the subkeys of the registry key");
        subkeys.emplace_back(subkey, length);
    }
    for (const std::wstring& subkey : subkeys)
        Secure(contents.get(), subkey, path.empty() ? subkey : path + L"\\" + subkey, open);
}

} // namespace

CKeyGuardReport SecureSettingsTree(const std::wstring& productKey, const std::vector<std::wstring>& made) {
    CKeyGuardReport report;
    HKEY created = nullptr;
    // A missing key is made the administrators' below; an existing one is only opened here.
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, productKey.c_str(), 0, nullptr, 0, KEY_READ, nullptr, &created,
                        nullptr) != ERROR_SUCCESS) {
        report.lines.push_back("Could not open HKEY_LOCAL_MACHINE\\" + Narrow(productKey) + ".");
        report.complete = false;
        return report;
    }
    RegCloseKey(created);
    CTreeGuard(report, productKey).Secure(HKEY_LOCAL_MACHINE, productKey, L"", false);
    // No link is left to lead these elsewhere, and keys that exist keep what they were given above. The
    // rules are given again after the creation: Windows applies those of the creation, Wine ignores them.
    const CSecurityDescriptor rules(kKeyRules);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, rules.get(), FALSE};
    for (const std::wstring& path : made) {
        HKEY key = nullptr;
        const bool secured =
            rules &&
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, (productKey + L"\\" + path).c_str(), 0, nullptr, 0,
                            kSecuringAccess, &attributes, &key, nullptr) == ERROR_SUCCESS &&
            RegSetKeySecurity(key, kWholeRules, rules.get()) == ERROR_SUCCESS;
        if (key)
            RegCloseKey(key);
        if (!secured) {
            report.lines.push_back("Could not create " + Narrow(path) + ".");
            report.complete = false;
        }
    }
    return report;
}

bool WasOpen(const CKeyGuardReport& report, const std::wstring& path) {
    for (const std::wstring& open : report.openKeys)
        if (_wcsicmp(open.c_str(), path.c_str()) == 0)
            return true;
    return false;
}
