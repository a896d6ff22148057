#include "tools/installer/GuardSecurity.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstring>

#include <vector>

namespace {

bool EnablePrivilege(HANDLE token, const wchar_t* name) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid) ||
        !AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr))
        return false;
    // AdjustTokenPrivileges succeeds without the privilege and says so here.
    return GetLastError() == ERROR_SUCCESS;
}

// SYSTEM, the Administrators and TrustedInstaller, who own the system.
bool IsTrusted(PSID sid) {
    static const wchar_t* const kTrusted[] = {
        L"S-1-5-18", L"S-1-5-32-544", L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"};
    for (const wchar_t* text : kTrusted) {
        PSID trusted = nullptr;
        if (!ConvertStringSidToSidW(text, &trusted))
            continue;
        const bool same = EqualSid(sid, trusted) != FALSE;
        LocalFree(trusted);
        if (same)
            return true;
    }
    return false;
}

// CREATOR OWNER and CREATOR GROUP stand for whoever creates an object below; in an entry of the object
// itself they grant nobody anything.
bool IsCreatorPlaceholder(PSID sid) {
    const SID_IDENTIFIER_AUTHORITY creator = SECURITY_CREATOR_SID_AUTHORITY;
    const SID_IDENTIFIER_AUTHORITY* authority = GetSidIdentifierAuthority(sid);
    return authority && memcmp(authority, &creator, sizeof creator) == 0 &&
           *GetSidSubAuthorityCount(sid) == 1 && *GetSidSubAuthority(sid, 0) <= 1;
}

bool HasEntries(const std::wstring& folder, bool& earlierInstallation) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool any = false;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        any = true;
        if (_wcsicmp(name.c_str(), L"Zelto.exe") == 0 || _wcsicmp(name.c_str(), L"Uninstall.exe") == 0)
            earlierInstallation = true;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return any;
}

} // namespace

CSecurityDescriptor::CSecurityDescriptor(const wchar_t* sddl) noexcept {
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &m_descriptor, nullptr))
        m_descriptor = nullptr;
}

CSecurityDescriptor::~CSecurityDescriptor() {
    if (m_descriptor)
        LocalFree(m_descriptor);
}

PSID CSecurityDescriptor::Owner() const noexcept {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    return m_descriptor && GetSecurityDescriptorOwner(m_descriptor, &owner, &defaulted) ? owner : nullptr;
}

PACL CSecurityDescriptor::Dacl() const noexcept {
    PACL dacl = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    return m_descriptor && GetSecurityDescriptorDacl(m_descriptor, &present, &dacl, &defaulted) && present
               ? dacl
               : nullptr;
}

bool EnableRecoveryPrivileges() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    const bool enabled =
        EnablePrivilege(token, L"SeTakeOwnershipPrivilege") && EnablePrivilege(token, L"SeRestorePrivilege");
    CloseHandle(token);
    return enabled;
}

bool OthersCouldChange(PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK changeRights) {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !owner || !IsTrusted(owner))
        return true;
    PACL dacl = nullptr;
    BOOL present = FALSE;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl)
        return true;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&header)))
            return true;
        if (header->AceFlags & INHERIT_ONLY_ACE)
            continue;
        if (header->AceType == ACCESS_DENIED_ACE_TYPE)
            continue;
        // Entries of other kinds (conditional, object) are not looked into: whom they allow is unknown.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            return true;
        const auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        const PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if ((allowed->Mask & changeRights) && !IsTrusted(sid) && !IsCreatorPlaceholder(sid))
            return true;
    }
    return false;
}

bool SecureInstallFolder(const std::wstring& folder, std::string& problem) {
    const CSecurityDescriptor rules(kFolderRules);
    if (!rules) {
        problem = "the access rules could not be made";
        return false;
    }
    if (folder.size() <= 3) {
        problem = "a drive's root cannot be the program's folder";
        return false;
    }
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr) != ERROR_SUCCESS) {
            problem = "the folder could not be created";
            return false;
        }
        attributes = GetFileAttributesW(folder.c_str());
    }
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        problem = "it is no folder";
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        problem = "it is a link to another folder";
        return false;
    }
    bool earlierInstallation = false;
    if (HasEntries(folder, earlierInstallation) && !earlierInstallation) {
        problem = "it holds other files; choose a new or empty folder";
        return false;
    }
    // The owner first, by the privilege where the folder shuts administrators out; then, as its owner,
    // the access rules, which Windows passes on to what the folder holds.
    std::wstring name = folder;
    const DWORD owned = SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                              rules.Owner(), nullptr, nullptr, nullptr);
    const DWORD ruled = SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                              nullptr, nullptr, rules.Dacl(), nullptr);
    if (owned != ERROR_SUCCESS || ruled != ERROR_SUCCESS) {
        problem = "its access rules could not be set (error " + std::to_string(owned ? owned : ruled) + ")";
        return false;
    }
    return true;
}

std::string Narrow(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return {};
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow.data(), length, nullptr, nullptr);
    narrow.pop_back();
    return narrow;
}
