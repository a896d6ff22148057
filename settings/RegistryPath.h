#pragma once
// Registry key paths walked one name at a time, as the settings tree is kept.

#include "settings/RegistryKey.h"

#include <initializer_list>
#include <string>

// Opens (KEY_READ) or, with `create`, creates with full access each key of `path` below `root` in
// turn; `key` ends on the last one. False at the first key that fails, `key` then holding the last one
// that opened (or nothing).
bool WalkKeyPath(CRegistryKey& key, HKEY root, std::initializer_list<std::string> path, bool create);

// HKEY_LOCAL_MACHINE\Software\<maker>\<product>\1.0\Capture, where the capture settings live.
bool OpenCaptureKey(CRegistryKey& key, bool create);
