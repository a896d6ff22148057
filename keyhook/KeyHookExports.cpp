#include "keyhook/KeyHook.h"

#include "keyhook/KeyWatch.h"
#include "keyhook/SharedState.h"

// The exports are called from the Activator's code: nothing may escape them.

int AttachKeyHook(HWND window) {
    try {
        return AttachKeyWatch(window);
    } catch (...) {
        return 0;
    }
}

void DetachKeyHook() {
    try {
        DetachKeyWatch();
    } catch (...) {
    }
}

void SetKeyHookParams(std::uint16_t interlaceKey, std::uint16_t interlaceModifiers, std::uint16_t pageFlipKey,
                      std::uint16_t pageFlipModifiers, std::uint16_t syncDoubleKey,
                      std::uint16_t syncDoubleModifiers, std::uint16_t lineBlankKey,
                      std::uint16_t lineBlankModifiers, std::uint16_t normalKey,
                      std::uint16_t normalModifiers, std::uint16_t captureKey,
                      std::uint16_t captureModifiers) {
    CKeyHookShared& shared = KeyHookShared();
    StoreShared(shared.modes[0], {interlaceKey, interlaceModifiers});
    StoreShared(shared.modes[1], {pageFlipKey, pageFlipModifiers});
    StoreShared(shared.modes[2], {syncDoubleKey, syncDoubleModifiers});
    StoreShared(shared.modes[3], {lineBlankKey, lineBlankModifiers});
    StoreShared(shared.modes[4], {normalKey, normalModifiers});
    StoreShared(shared.capture, {captureKey, captureModifiers});
}

void SetColorCodeParams(const std::uint32_t* interlace, const std::uint32_t* pageFlip,
                        const std::uint32_t* syncDouble, const std::uint32_t* lineBlank,
                        const std::uint32_t* normal) {
    const std::uint32_t* tables[kModeHotKeyCount] = {interlace, pageFlip, syncDouble, lineBlank, normal};
    CKeyHookShared& shared = KeyHookShared();
    for (int mode = 0; mode < kModeHotKeyCount; ++mode) {
        if (!tables[mode])
            continue;
        for (int row = 0; row < kColorCodeRows; ++row)
            StoreShared(shared.colorCodes[mode][row], static_cast<COLORREF>(tables[mode][row]));
    }
}
