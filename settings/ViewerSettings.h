#pragma once
// The choices of the viewer and the captured-image browser, each user's own, in
// HKEY_CURRENT_USER\Software\<maker>\<product>\1.0\Viewer (an administrator may give every user a
// default in the same key under HKEY_LOCAL_MACHINE):
// - "Output" (REG_DWORD): the view that the windows show stereo pictures in: 0 the controller's view
//   (the stored view mode, with its line codes), 1 the red-cyan anaglyph;
// - "Slideshow Seconds" (REG_DWORD, 1 to 60): how long a slideshow shows each picture.
// A value that is missing, of another type or out of range counts as not chosen: the built-in default.

#include <cstdint>

enum class CViewerOutput : std::uint32_t { kController = 0, kRedCyan = 1 };

struct CViewerSettings {
    static constexpr std::uint32_t kDefaultSlideshowSeconds = 5;
    static constexpr std::uint32_t kMaxSlideshowSeconds = 60;

    CViewerOutput output = CViewerOutput::kController;
    std::uint32_t slideshowSeconds = kDefaultSlideshowSeconds;
};

CViewerSettings ReadViewerSettings();
// Stores the user's choice of view; false when the user's key cannot be written.
bool WriteViewerOutput(CViewerOutput output);
