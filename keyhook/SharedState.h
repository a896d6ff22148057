#pragma once
// The hook library's state, kept in the data section MYSHARE: the hook, the target window, the hotkeys
// and the colour codes of the process that loaded the library, one copy per process. What one process
// attaches, sets or detaches changes nothing for another: each watch belongs to the process that
// started it (another user's Activator, a second session, any program that loads the library). The
// exports write it; the hook procedure and the action thread read it without a lock while it may be
// written. Each field, and each hotkey as one 32-bit value, is read and written whole with the
// accessors below (relaxed atomic loads and stores), so a reader sees every hotkey either old or new,
// though some hotkeys may be old and others new.

#include "keyhook/HotKeyMatch.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

// The colour-code tables: one per mode, in the order of the mode hotkeys; entry k colours code row k.
inline constexpr int kColorCodeRows = 16;

// The layout of MYSHARE, field by field in this order.
struct CKeyHookShared {
    std::uint32_t libraryMask;           // the codec module mask, 7; never changed
    HHOOK hook;                          // the installed keyboard hook; null while none is set
    HWND targetWindow;                   // the window that receives the result messages
    CHookHotKey capture;                 // the capture hotkey
    CHookHotKey modes[kModeHotKeyCount]; // Interlace, Page Flip, Sync Double, Line Blank, Normal
    COLORREF colorCodes[kModeHotKeyCount][kColorCodeRows];
};

// The state as the library image initialises it: mask 7, no hook, no window, cleared hotkeys, and the
// tables equal to the single-height patterns of the codes 9, 7, 6, 8 and -2.
extern const CKeyHookShared kInitialKeyHookShared;

// This process's copy, in MYSHARE.
CKeyHookShared& KeyHookShared() noexcept;

template <typename T> T LoadShared(const T& field) noexcept {
    return std::atomic_ref<T>(const_cast<T&>(field)).load(std::memory_order_relaxed);
}
template <typename T> void StoreShared(T& field, T value) noexcept {
    std::atomic_ref<T>(field).store(value, std::memory_order_relaxed);
}
// Lock-free, so that no load or store can wait on a lock that another thread holds.
static_assert(std::atomic_ref<CHookHotKey>::is_always_lock_free);
static_assert(std::atomic_ref<HWND>::is_always_lock_free);
