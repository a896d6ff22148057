#pragma once
// The keys of the settings tree, walked one name at a time:
//   R = HKEY_LOCAL_MACHINE\Software\<maker>\<product>   "Current Version" names the version key
//   V = R\<Current Version>                             "1.0" when "Current Version" is missing
//   V\"Dir", V\"HotKey"\<mode>, V\"Capture", V\"Color Code"
// The capture settings are always those of <root>\Software\<maker>\<product>\"1.0"\"Capture",
// whatever "Current Version" says: each user's own under HKEY_CURRENT_USER, the machine's defaults
// under HKEY_LOCAL_MACHINE.

#include "settings/RegistryKey.h"

#include <initializer_list>
#include <string>

// Opens (KEY_READ) or, with `create`, creates each key of `path` below `root` in turn (as
// CRegistryKey::Create does: with the most access the account is given); `key` ends on the last one.
// False at the first key that fails, `key` then holding the last one that opened (or nothing).
bool WalkKeyPath(CRegistryKey& key, HKEY root, std::initializer_list<std::string> path, bool create);

// R.
bool OpenProductKey(CRegistryKey& key, bool create);
// V, the version key that "Current Version" names ("1.0" when it is missing).
bool OpenVersionKey(CRegistryKey& key, bool create);
// R\"1.0", after writing "Current Version" = "1.0": the version key that the suite's writers write to.
// An account that may not write "Current Version" (only administrators may) goes on when it already
// names "1.0" or is missing, and stops when it names another version, which everyone would read.
bool CreateCurrentVersionKey(CRegistryKey& key);
// <root>\Software\<maker>\<product>\"1.0"\"Capture": HKEY_CURRENT_USER for the user's capture
// settings, HKEY_LOCAL_MACHINE for the machine's.
bool OpenCaptureKey(CRegistryKey& key, HKEY root, bool create);
