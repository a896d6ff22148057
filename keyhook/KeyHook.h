#pragma once
// The exports of ZeltoKey.dll, the system-wide keyboard hook: named functions with C++ linkage that the
// Activator links by import. The Activator attaches the hook to its main window once that exists, hands
// over the six hotkeys, hands them over again when it reloads its settings, and detaches the hook when
// the window goes.

#include <windows.h>

#include <cstdint>

#if defined(ZELTOKEY_BUILDING)
#define ZELTOKEY_API __declspec(dllexport)
#else
#define ZELTOKEY_API __declspec(dllimport)
#endif

// Sets one keyboard hook for every thread of the desktop, reporting to `window`. A hook already set is
// first removed as DetachKeyHook removes it. 1 when the hook is set, 0 when the system refused it (the
// window is stored either way).
ZELTOKEY_API int AttachKeyHook(HWND window);

// Removes the hook and clears the target window and the five mode hotkeys; the capture hotkey keeps its
// values. Does nothing while no hook is set.
ZELTOKEY_API void DetachKeyHook();

// Stores the hotkeys, each as virtual-key code then modifier flags, in the order Interlace, Page Flip,
// Sync Double, Line Blank, Normal, Capture. Nothing is checked.
ZELTOKEY_API void SetKeyHookParams(std::uint16_t interlaceKey, std::uint16_t interlaceModifiers,
                                   std::uint16_t pageFlipKey, std::uint16_t pageFlipModifiers,
                                   std::uint16_t syncDoubleKey, std::uint16_t syncDoubleModifiers,
                                   std::uint16_t lineBlankKey, std::uint16_t lineBlankModifiers,
                                   std::uint16_t normalKey, std::uint16_t normalModifiers,
                                   std::uint16_t captureKey, std::uint16_t captureModifiers);

// Copies the 16 colours that each non-null pointer addresses into the colour-code table of its mode
// (Interlace, Page Flip, Sync Double, Line Blank, Normal); a null pointer leaves its table as it is.
ZELTOKEY_API void SetColorCodeParams(const std::uint32_t* interlace, const std::uint32_t* pageFlip,
                                     const std::uint32_t* syncDouble, const std::uint32_t* lineBlank,
                                     const std::uint32_t* normal);
