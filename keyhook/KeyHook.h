#pragma once
// The exports of ZeltoKey.dll, the system-wide hotkeys: named functions with C++ linkage that the
// Activator links by import. The Activator attaches the hook to its main window once that exists, hands
// over the six hotkeys, hands them over again when it reloads its settings, and detaches the hook when
// the window goes.
//
// Everything belongs to the process that calls the exports: its watch, its target window, its
// hotkeys and its colour codes. Several processes may each keep a watch of their own (the Activators
// of two users, say); none changes or ends another's. Attaching starts two threads in the calling
// process: one sets a low-level keyboard hook, which sees the keys bound for every program of the
// desktop, 32-bit and 64-bit alike, before they reach it, and passes each on at once; the other runs
// the hotkeys' actions (a line code, a screen capture), one at a time, while the program in front goes
// on. A hotkey fires once per press, on its key's down transition with exactly its modifiers held; a
// hotkey pressed while an action runs is ignored.

#include <windows.h>

#include <cstdint>

#if defined(ZELTOKEY_BUILDING)
#define ZELTOKEY_API __declspec(dllexport)
#else
#define ZELTOKEY_API __declspec(dllimport)
#endif

// Results reach the attached window as posted messages: 1026 to 1030 after a mode's line code and 1031
// after a capture, with the result code in wParam (0 success, the negative codes of linecode/
// ResultCodes.h otherwise). A capture also sends, just before 1031, WM_COPYDATA with dwData
// kCaptureReportCopyData, so that the window can tell the user where the picture went: the result code
// as 4 bytes (a little-endian int32), then the path of the file it reserved, NUL-terminated ANSI,
// empty when it reserved none.
inline constexpr ULONG_PTR kCaptureReportCopyData = 0x0407;

// Starts the watch of the hotkeys, reporting to `window`. A hook already set is first removed as
// DetachKeyHook removes it. 1 when the hook is set, 0 when the system refused it or a thread could not
// start (the window is stored either way).
ZELTOKEY_API int AttachKeyHook(HWND window);

// Removes the hook, waits for an action under way to end (handling meanwhile what other threads send to
// the calling thread's windows) and clears the target window and the five mode hotkeys; the capture
// hotkey keeps its values. Does nothing while this process has set no hook.
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
