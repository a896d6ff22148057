#pragma once
// What an upgrade keeps of the machine's settings (HKEY_LOCAL_MACHINE\<product>\"1.0") that lay in keys
// that others than administrators could change (KeyGuard.h): a value only when it passes the checks
// that the programs' dialogs apply, and a folder or file only on a local fixed drive; a machine hotkey
// only when it is no typing key without Ctrl or Alt (IsTypingHotKey). Whatever is not kept is deleted,
// so that Setup's default applies: the value that Setup writes after, or the programs' own default.
// Values in keys that only administrators could change are kept as they are.

#include "tools/installer/KeyGuard.h"

#include <windows.h>

#include <string>
#include <vector>

// Vets the values of the open keys below `productKey` (an open key of the product); one line for each
// value replaced, naming it and what it held.
std::vector<std::string> VetOpenSettings(HKEY productKey, const CKeyGuardReport& report);

// Deletes the capture settings' "Default Dir" where it names the folder that earlier versions of Setup
// made the default, "Zelto Captures" in the public Pictures folder (`publicPictures`): each user's own
// Pictures folder is the default now. The folder and its pictures stay. The line that says so, or
// nothing.
std::vector<std::string> RemovePublicCaptureDefault(HKEY productKey, const std::string& publicPictures);
