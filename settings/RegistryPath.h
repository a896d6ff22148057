#pragma once
// The keys of the settings tree, walked one name at a time. Each user's tree and the machine's have
// the same layout:
//   R = <root>\Software\<maker>\<product>              "Current Version" names the version key
//   V = R\<Current Version>                            "1.0" when "Current Version" is missing
//   V\"Dir", V\"HotKey"\<mode>, V\"Capture", V\"Color Code", V\"Controller Monitor"
// <root> is HKEY_CURRENT_USER for the user's own choices, which the programs write, and
// HKEY_LOCAL_MACHINE for the machine's defaults, which only Setup and administrators write.
// The capture settings are always those of <root>\...\"1.0"\"Capture", whatever "Current Version" says.

#include "settings/RegistryKey.h"

#include <initializer_list>
#include <string>

// Opens (KEY_READ) or, with `create`, creates each key of `path` below `root` in turn; `key` ends on
// the last one. False at the first key that fails, `key` then holding the last one that opened (or
// nothing).
bool WalkKeyPath(CRegistryKey& key, HKEY root, std::initializer_list<std::string> path, bool create);

// R of `root`.
bool OpenProductKey(CRegistryKey& key, HKEY root, bool create);
// V of `root`, the version key that its "Current Version" names ("1.0" when that is missing).
bool OpenVersionKey(CRegistryKey& key, HKEY root, bool create);
// R\"1.0" of `root`, after writing "Current Version" = "1.0" there: the version key that the suite's
// writers write to (under HKEY_CURRENT_USER).
bool CreateCurrentVersionKey(CRegistryKey& key, HKEY root);
// <root>\Software\<maker>\<product>\"1.0"\"Capture".
bool OpenCaptureKey(CRegistryKey& key, HKEY root, bool create);
