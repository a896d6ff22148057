// A second process that maps ZeltoKey.dll for the shared-state tests. "read" exits with the capture
// hotkey it sees (virtual-key code * 65536 + modifiers); "write KEY MODIFIERS" stores a capture hotkey
// through SetKeyHookParams and exits with 0.

#include "keyhook/KeyHook.h"
#include "tests/win/KeyHookSection.h"

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    CKeyHookShared* shared = MappedKeyHookShared(GetModuleHandleA("ZeltoKey.dll"));
    if (!shared || argc < 2)
        return -1;
    if (std::strcmp(argv[1], "read") == 0)
        return shared->capture.virtualKey * 65536 + shared->capture.modifiers;
    if (std::strcmp(argv[1], "write") == 0 && argc == 4) {
        SetKeyHookParams(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<std::uint16_t>(std::atoi(argv[2])),
                         static_cast<std::uint16_t>(std::atoi(argv[3])));
        return 0;
    }
    return -1;
}
