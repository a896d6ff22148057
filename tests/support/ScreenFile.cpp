#include "tests/support/ScreenFile.h"

#include <cstdlib>

namespace {

// The XWD header: 25 big-endian 32-bit fields.
enum XwdField {
    kHeaderSize = 0,
    kPixmapWidth = 4,
    kPixmapHeight = 5,
    kBitsPerPixel = 11,
    kBytesPerLine = 12,
    kColourEntries = 19,
    kFieldCount = 25,
};
// Each colour entry, present even for a true-colour screen.
constexpr DWORD kColourEntryBytes = 12;

} // namespace

CScreenFile::CScreenFile() {
    const char* dir = std::getenv("ZELTO_FBDIR");
    if (!dir || !*dir) {
        m_problem = "ZELTO_FBDIR is not set: the tests read the screen from the X server's screen file";
        return;
    }
    const std::string path = std::string("Z:") + dir + "/Xvfb_screen0";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    unsigned char header[4 * kFieldCount] = {};
    DWORD read = 0;
    if (file == INVALID_HANDLE_VALUE || !ReadFile(file, header, sizeof header, &read, nullptr) ||
        read != sizeof header) {
        m_problem = "cannot read the X screen file " + path;
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        return;
    }
    const auto field = [&](int i) {
        return (DWORD{header[4 * i]} << 24) | (DWORD{header[4 * i + 1]} << 16) |
               (DWORD{header[4 * i + 2]} << 8) | header[4 * i + 3];
    };
    if (field(kBitsPerPixel) != 32) {
        m_problem = "the X screen file does not hold 32-bit pixels";
        CloseHandle(file);
        return;
    }
    m_file = file;
    m_width = static_cast<int>(field(kPixmapWidth));
    m_height = static_cast<int>(field(kPixmapHeight));
    m_bytesPerLine = field(kBytesPerLine);
    m_pixelsAt = field(kHeaderSize) + kColourEntryBytes * field(kColourEntries);
}

CScreenFile::~CScreenFile() {
    if (m_file != INVALID_HANDLE_VALUE)
        CloseHandle(m_file);
}

std::vector<std::uint32_t> CScreenFile::Read(int x, int y, int width, int height) const {
    std::vector<std::uint32_t> pixels;
    if (!IsOpen() || x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > m_width ||
        y + height > m_height)
        return pixels;
    // The rows are read whole in one go, as the server may change them at any moment.
    std::vector<unsigned char> lines(static_cast<size_t>(m_bytesPerLine) * height);
    OVERLAPPED at{};
    at.Offset = m_pixelsAt + static_cast<DWORD>(y) * m_bytesPerLine;
    DWORD read = 0;
    if (!ReadFile(m_file, lines.data(), static_cast<DWORD>(lines.size()), &read, &at) || read != lines.size())
        return pixels;
    pixels.resize(static_cast<size_t>(width) * height);
    for (int row = 0; row < height; ++row) {
        const unsigned char* bgrx = lines.data() + static_cast<size_t>(row) * m_bytesPerLine + 4 * x;
        for (int column = 0; column < width; ++column, bgrx += 4)
            pixels[static_cast<size_t>(row) * width + column] =
                (std::uint32_t{bgrx[2]} << 16) | (std::uint32_t{bgrx[1]} << 8) | bgrx[0];
    }
    return pixels;
}
