#pragma once
// What the page shows and stores: the six hotkeys under the Activator's settings key, and the values
// by which it finds and starts the Activator (read only; the installer and the Activator write them).

#include "settings/SettingsTypes.h"

#include <array>
#include <string>

struct CPageSettings {
    // The program file as stored; ResolveProgramPath turns it into the file that is started.
    std::string programPath = "Zelto.exe";
    std::string windowClass = "#32770";
    std::string windowName = "Zelto";
    // Ctrl+F7 to Ctrl+F12.
    std::array<CHotKey, kHotKeyCount> hotKeys{
        {{0x76, 2}, {0x77, 2}, {0x78, 2}, {0x79, 2}, {0x7A, 2}, {0x7B, 2}}};
};

// Reads what is present under HKEY_LOCAL_MACHINE; every value that cannot be read keeps its field.
void ReadPageSettings(CPageSettings& settings);

// Writes "Current Version" = "1.0" and the six hotkeys under the key "1.0". Stops when the product key
// or the version's "HotKey" key cannot be reached; a hotkey subkey or value that fails is skipped.
// Keys that refuse full access (an account that may only write below the product key) are opened
// for reading and writing, or for reading, to walk on.
void WritePageSettings(const CPageSettings& settings);
