#pragma once
// What Setup's guard (SetupGuard.exe) needs of Windows security: the access rules of what Setup makes
// the administrators', the question whether anyone else could change an object, and the privileges by
// which an administrator takes back an object that shuts administrators out.

#include <windows.h>

#include <string>

// The access rules of the machine's settings keys: owned by Administrators; SYSTEM and Administrators
// have full control, Users may read; protected, so that no entry of a key above applies.
inline constexpr wchar_t kKeyRules[] = L"O:BAD:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;BU)";
// The same for the install folder and everything in it, with Users reading and executing.
inline constexpr wchar_t kFolderRules[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// A security descriptor made from SDDL text, freed with it.
class CSecurityDescriptor {
public:
    explicit CSecurityDescriptor(const wchar_t* sddl) noexcept;
    ~CSecurityDescriptor();
    CSecurityDescriptor(const CSecurityDescriptor&) = delete;
    CSecurityDescriptor& operator=(const CSecurityDescriptor&) = delete;

    PSECURITY_DESCRIPTOR get() const noexcept { return m_descriptor; }
    explicit operator bool() const noexcept { return m_descriptor != nullptr; }
    PSID Owner() const noexcept;
    PACL Dacl() const noexcept;

private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
};

// Enables SeTakeOwnershipPrivilege and SeRestorePrivilege in the process's token: taking the ownership
// of any object, and making Administrators its owner. False when the token lacks one (Setup then does
// not run as an administrator).
bool EnableRecoveryPrivileges();

// Whether anyone but SYSTEM, the Administrators and TrustedInstaller could change an object with this
// descriptor: its owner is someone else (an owner may always change the access rules), it has no
// access list at all, or an entry that applies to the object itself allows another account or group
// (Users, Everyone, Authenticated Users, INTERACTIVE, a user) any of the rights in `changeRights`.
bool OthersCouldChange(PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK changeRights);

// Gives the install folder the owner and the access rules of kFolderRules, creating it (and its
// parents) when it is missing; the files already in it take the rules on as inherited entries. Refused,
// with `problem` saying why, for a drive's root, a link or junction (which would lead the rules and the
// files elsewhere), and a folder that holds files but no earlier installation (Zelto.exe or
// Uninstall.exe): Setup takes the folder over for administrators, which must not happen to a folder of
// other programs or of a user.
bool SecureInstallFolder(const std::wstring& folder, std::string& problem);

// `text` in the ANSI code page, for the lines that Setup shows.
std::string Narrow(const std::wstring& text);
