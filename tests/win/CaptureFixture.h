#pragma once
// What the capture tests share: a capture directory of their own, the capture settings in the
// registry, the files a capture left, and captured pictures decoded again.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A decoded picture, top row first, pixels as 0x00RRGGBB.
struct CDecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Decodes the JPEG file at `path`, or the PNG one for the extensions .png and .pns; false when it is
// not a picture.
bool DecodePicture(const std::string& path, CDecodedPicture& picture);

// The largest difference of one colour channel between two 0x00RRGGBB pixels.
int ChannelDifference(std::uint32_t a, std::uint32_t b);

// The registry key of the capture settings.
extern const char kCaptureSettingsKey[];

class CaptureFixture : public ::testing::Test {
protected:
    // A fresh, empty capture directory (with its trailing backslash) and no product settings.
    void SetUp() override;
    // Removes the directory with what it holds, and the product settings.
    void TearDown() override;

    const std::string& Dir() const { return m_dir; }
    // Writes "View Mode", "Dir" and "Name".
    static void WriteCaptureSettings(std::uint32_t viewMode, const std::string& dir, const std::string& name);
    // The names of the files in the capture directory, sorted.
    std::vector<std::string> FilesInDir() const;
    // Creates `name` in the capture directory with `size` bytes.
    void PutFile(const std::string& name, DWORD size = 0) const;
    DWORD FileSize(const std::string& name) const;

private:
    std::string m_dir;
};
