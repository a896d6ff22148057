#include "tests/win/CaptureFixture.h"

#include "display/JpegCodec.h"
#include "display/PngCodec.h"
#include "framework/Handles.h"
#include "tests/support/WineTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

const char kCaptureSettingsKey[] = "Software\\Korva Corporation\\Zelto Activator\\1.0\\Capture";

bool DecodePicture(const std::string& path, CDecodedPicture& picture) {
    // A lossless capture is decoded as the viewer decodes PNG files, row by row.
    const std::string extension = path.substr(path.size() - std::min<std::size_t>(path.size(), 4));
    CPictureBytes bytes;
    if (extension == ".png" || extension == ".pns")
        return ReadPngPictureFile(std::wstring(path.begin(), path.end()).c_str(), bytes) ==
                   CPictureResult::kMade &&
               DecodePngRows(bytes.Span(), [&](CPictureSize size, CRowSource& rows) {
                   picture.width = static_cast<int>(size.width);
                   picture.height = static_cast<int>(size.height);
                   std::vector<std::uint8_t> row(3 * std::size_t{size.width});
                   for (std::uint32_t y = 0; y < size.height && rows.ReadRows(y, 1, row.data(), row.size());
                        ++y)
                       for (std::uint32_t x = 0; x < size.width; ++x)
                           picture.pixels.push_back(row[3 * x + 2] << 16 | row[3 * x + 1] << 8 | row[3 * x]);
                   return picture.pixels.size() == std::size_t{size.width} * size.height;
               }) == CPictureResult::kMade;
    CGlobalMemory dib(DecodeJpegFile(path.c_str()));
    if (!dib)
        return false;
    CGlobalLock<const BYTE> lock(dib);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(lock.get());
    if (header->biBitCount != 24 || header->biHeight <= 0)
        return false;
    picture.width = header->biWidth;
    picture.height = header->biHeight;
    picture.pixels.assign(static_cast<size_t>(picture.width) * picture.height, 0);
    const size_t stride = (3 * static_cast<size_t>(picture.width) + 3) / 4 * 4;
    const BYTE* rows = lock.get() + header->biSize;
    for (int y = 0; y < picture.height; ++y) {
        const BYTE* row = rows + static_cast<size_t>(picture.height - 1 - y) * stride;
        for (int x = 0; x < picture.width; ++x)
            picture.pixels[static_cast<size_t>(y) * picture.width + x] =
                (row[3 * x + 2] << 16) | (row[3 * x + 1] << 8) | row[3 * x];
    }
    return true;
}

int ChannelDifference(std::uint32_t a, std::uint32_t b) {
    int largest = 0;
    for (int shift : {0, 8, 16})
        largest = std::max(
            largest, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
    return largest;
}

void CaptureFixture::SetUp() {
    testing_support::DeleteProductTree();
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    m_dir = std::string(temp) + "zelto-capture-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(GetTickCount64()) + "\\";
    ASSERT_TRUE(CreateDirectoryA(m_dir.c_str(), nullptr)) << m_dir;
}

void CaptureFixture::TearDown() {
    WIN32_FIND_DATAA found;
    CFindHandle search(FindFirstFileA((m_dir + "*").c_str(), &found));
    if (search) {
        do {
            const std::string path = m_dir + found.cFileName;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryA(path.c_str());
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
    }
    RemoveDirectoryA(m_dir.c_str());
    testing_support::DeleteProductTree();
}

void CaptureFixture::WriteCaptureSettings(std::uint32_t viewMode, const std::string& dir,
                                          const std::string& name) {
    testing_support::WriteRegistryNumber(kCaptureSettingsKey, "View Mode", viewMode);
    testing_support::WriteRegistryString(kCaptureSettingsKey, "Dir", dir);
    testing_support::WriteRegistryString(kCaptureSettingsKey, "Name", name);
}

std::vector<std::string> CaptureFixture::FilesInDir() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    CFindHandle search(FindFirstFileA((m_dir + "*").c_str(), &found));
    if (search) {
        do {
            if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0)
                names.emplace_back(found.cFileName);
        } while (FindNextFileA(search, &found));
    }
    std::sort(names.begin(), names.end());
    return names;
}

void CaptureFixture::PutFile(const std::string& name, DWORD size) const {
    CFileHandle file(
        CreateFileA((m_dir + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file) << name;
    std::vector<char> bytes(size, 'x');
    DWORD written = 0;
    if (size > 0)
        WriteFile(file, bytes.data(), size, &written, nullptr);
}

DWORD CaptureFixture::FileSize(const std::string& name) const {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA((m_dir + name).c_str(), GetFileExInfoStandard, &data))
        return INVALID_FILE_SIZE;
    return data.nFileSizeLow;
}
