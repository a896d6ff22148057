#pragma once
// Move-only owners of Win32 handles, one type per way of freeing a handle, so that a handle can only
// be released the way it must be (a memory DC with DeleteDC, a window DC with ReleaseDC, ...).

#include <windows.h>
#include <objbase.h>

#include <utility>

template <typename Traits> class CUniqueHandle {
public:
    using Handle = typename Traits::Handle;

    CUniqueHandle() noexcept = default;
    explicit CUniqueHandle(Handle handle) noexcept : m_handle(handle) {}
    ~CUniqueHandle() { reset(); }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_handle(other.release()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Handle get() const noexcept { return m_handle; }
    operator Handle() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != Traits::Invalid(); }
    Handle release() noexcept { return std::exchange(m_handle, Traits::Invalid()); }
    void reset(Handle handle = Traits::Invalid()) noexcept {
        Handle old = std::exchange(m_handle, handle);
        if (old != Traits::Invalid())
            Traits::Free(old);
    }

private:
    Handle m_handle = Traits::Invalid();
};

struct MemoryDcTraits {
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static void Free(Handle h) { DeleteDC(h); }
};
template <typename T> struct GdiObjectTraits {
    using Handle = T;
    static Handle Invalid() { return nullptr; }
    static void Free(Handle h) { DeleteObject(h); }
};
struct HookTraits {
    using Handle = HHOOK;
    static Handle Invalid() { return nullptr; }
    static void Free(Handle h) { UnhookWindowsHookEx(h); }
};
struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static void Free(Handle h) { DestroyIcon(h); }
};
struct MenuTraits {
    using Handle = HMENU;
    static Handle Invalid() { return nullptr; }
    static void Free(Handle h) { DestroyMenu(h); }
};
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Free(Handle h) { CloseHandle(h); }
};
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Free(Handle h) { CloseHandle(h); }
};
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Free(Handle h) { FindClose(h); }
};
struct ChangeNotificationTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Free(Handle h) { FindCloseChangeNotification(h); }
};
struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static Handle Invalid() { return nullptr; }
    static void Free(Handle h) { GlobalFree(h); }
};
struct LibraryTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Free(Handle h) { FreeLibrary(h); }
};

using CMemoryDC = CUniqueHandle<MemoryDcTraits>; // CreateCompatibleDC
template <typename T> using CGdiObject = CUniqueHandle<GdiObjectTraits<T>>;
using CBitmap = CGdiObject<HBITMAP>;
using CPen = CGdiObject<HPEN>;
using CBrush = CGdiObject<HBRUSH>;
using CFont = CGdiObject<HFONT>;
using CHookHandle = CUniqueHandle<HookTraits>;
using CIconHandle = CUniqueHandle<IconTraits>; // only icons that must be destroyed
using CMenuHandle = CUniqueHandle<MenuTraits>;
using CKernelHandle = CUniqueHandle<KernelHandleTraits>;             // processes, threads, events
using CFileHandle = CUniqueHandle<FileHandleTraits>;                 // CreateFile
using CFindHandle = CUniqueHandle<FindHandleTraits>;                 // FindFirstFile
using CChangeNotification = CUniqueHandle<ChangeNotificationTraits>; // FindFirstChangeNotification
using CGlobalMemory = CUniqueHandle<GlobalMemoryTraits>;             // GlobalAlloc
using CLibrary = CUniqueHandle<LibraryTraits>;                       // LoadLibrary

// The device context of a window (or of the whole screen for a null window), released with ReleaseDC.
class CWindowDC {
public:
    explicit CWindowDC(HWND window) noexcept : m_window(window), m_dc(GetDC(window)) {}
    ~CWindowDC() {
        if (m_dc)
            ReleaseDC(m_window, m_dc);
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;

    HDC get() const noexcept { return m_dc; }
    operator HDC() const noexcept { return m_dc; }
    explicit operator bool() const noexcept { return m_dc != nullptr; }

private:
    HWND m_window;
    HDC m_dc;
};

// The device context of a WM_PAINT, ended with EndPaint.
class CPaintDC {
public:
    explicit CPaintDC(HWND window) noexcept : m_window(window) { m_dc = BeginPaint(window, &m_paint); }
    ~CPaintDC() { EndPaint(m_window, &m_paint); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    HDC get() const noexcept { return m_dc; }
    operator HDC() const noexcept { return m_dc; }
    const PAINTSTRUCT& Paint() const noexcept { return m_paint; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint{};
    HDC m_dc;
};

// An object selected into a device context; the previous object is selected back on destruction.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) noexcept
        : m_dc(dc), m_previous(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~CSelectObject() {
        if (m_previous)
            SelectObject(m_dc, m_previous);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// A lock on movable global memory, unlocked on destruction.
template <typename T> class CGlobalLock {
public:
    explicit CGlobalLock(HGLOBAL memory) noexcept
        : m_memory(memory), m_data(static_cast<T*>(GlobalLock(memory))) {}
    ~CGlobalLock() {
        if (m_data)
            GlobalUnlock(m_memory);
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;

    T* get() const noexcept { return m_data; }
    explicit operator bool() const noexcept { return m_data != nullptr; }

private:
    HGLOBAL m_memory;
    T* m_data;
};

// An owned COM interface pointer.
template <typename T> class CComPtr {
public:
    CComPtr() noexcept = default;
    ~CComPtr() { reset(); }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;
    CComPtr(CComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    CComPtr& operator=(CComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }

    T* get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    // The address to receive a new pointer; releases the one held.
    T** put() noexcept {
        reset();
        return &m_p;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    T* release() noexcept { return std::exchange(m_p, nullptr); }
    void reset() noexcept {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }

private:
    T* m_p = nullptr;
};

// The export `name` of `module` as a function pointer of type T; null when it is missing.
template <typename T> T GetProcedure(HMODULE module, const char* name) noexcept {
    // Through void(*)(): FARPROC and T are unrelated function types.
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
