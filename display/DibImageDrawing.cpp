#include "display/DibImage.h"

#include "framework/Application.h"

#include <memory>
#include <string>

namespace {

struct LocalFreeDeleter {
    void operator()(char* text) const noexcept { LocalFree(text); }
};

// The system's text for `error`, or a text of our own when the system has none.
std::string SystemErrorText(DWORD error) {
    char* buffer = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
        error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::unique_ptr<char, LocalFreeDeleter> text(buffer);
    if (length == 0 || !text)
        return "The picture could not be drawn (error " + std::to_string(error) + ").";
    return std::string(text.get(), length);
}

const BITMAPINFO* InfoOf(const CDibInfoHeader* header) {
    return reinterpret_cast<const BITMAPINFO*>(header);
}

} // namespace

int CDibImage::DrawUnscaled(HDC dc, const RECT& source, POINT destination) const {
    if (IsEmpty())
        return 0;
    const int lines =
        SetDIBitsToDevice(dc, destination.x, destination.y, static_cast<DWORD>(source.right - source.left),
                          static_cast<DWORD>(source.bottom - source.top), source.left, source.top, 0,
                          static_cast<UINT>(GetHeight()), Pixels(), InfoOf(Header()), DIB_RGB_COLORS);
    if (lines != 0)
        return lines;
    const DWORD error = GetLastError();
    // Owned by the window drawn into, so that the box stays above a top-most full-screen window.
    AppMessageBox(WindowFromDC(dc), SystemErrorText(error), MB_OK);
    return 0;
}

int CDibImage::DrawStretched(HDC dc, const RECT& source, const RECT& destination, DWORD rop) const {
    if (IsEmpty())
        return 0;
    return StretchDIBits(dc, destination.left, destination.top, destination.right - destination.left,
                         destination.bottom - destination.top, source.left, source.top,
                         source.right - source.left, source.bottom - source.top, Pixels(), InfoOf(Header()),
                         DIB_RGB_COLORS, rop);
}
