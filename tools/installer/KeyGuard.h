#pragma once
// Takes the machine's settings tree back for administrators: every key of it, those found below the
// keys that Setup knows included, gets the owner and the access rules of kKeyRules. Registry links
// are never followed: a link found in the tree is deleted. Before a key is changed, whether anyone
// else could change it (its owner, its rules, or those of a key above it) is noted, so that the values
// found there are checked before they are trusted (SettingsVetting.h).

#include <string>
#include <vector>

struct CKeyGuardReport {
    // The keys that others could change, as paths below the product key ("1.0\HotKey\Capture").
    std::vector<std::wstring> openKeys;
    // What was done or failed, one line each, for Setup's details.
    std::vector<std::string> lines;
    // False when a key could not be secured or a link not deleted.
    bool complete = true;
};

// Secures HKEY_LOCAL_MACHINE\<productKey> and everything below it; a missing product key is created.
// Then the keys of `made` (paths below the product key) that are missing are created with the same
// rules, so that Setup writes its values only into keys of the administrators. The process needs the
// privileges of EnableRecoveryPrivileges to take back a key that shuts administrators out.
CKeyGuardReport SecureSettingsTree(const std::wstring& productKey, const std::vector<std::wstring>& made);

// Case-insensitive membership of `path` in `report.openKeys`.
bool WasOpen(const CKeyGuardReport& report, const std::wstring& path);
