#pragma once
// What the making of a picture's frame works on and tells: the file as its folder's listing describes
// it, the signal that stops a making no longer wanted, and why a making failed. Plain code.

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>

// A picture file as a folder's listing describes it. A file whose length or last write time changed
// counts as another file: what was remembered of it no longer holds.
struct CPictureEntry {
    std::wstring path;
    std::uint64_t length = 0;
    std::uint64_t written = 0;

    friend bool operator==(const CPictureEntry&, const CPictureEntry&) = default;
};

// The entry of the file at `path` from its listing (WIN32_FIND_DATAA or WIN32_FIND_DATAW).
template <typename FindData> CPictureEntry EntryOf(std::wstring path, const FindData& found) {
    return {std::move(path), std::uint64_t{found.nFileSizeHigh} << 32 | found.nFileSizeLow,
            std::uint64_t{found.ftLastWriteTime.dwHighDateTime} << 32 | found.ftLastWriteTime.dwLowDateTime};
}

// Set by another thread to end a reading or decoding early: it then fails, as soon as it next looks.
using CStopSignal = std::atomic<bool>;

// What became of making a picture: made, or why not. A lasting failure holds as long as the file
// stays as its listing describes it; a passing one may go at the next try.
enum class CPictureResult {
    kMade,
    kNotAPicture, // lasting: empty, of a kind that the suite does not read, or a header it cannot read
    kBeyondBound, // lasting: a picture that the decoding bound refuses (JpegHeader.h)
    kDamaged,     // lasting for the layout it was made for (another eye or size may still decode): a
                  // picture cut short or damaged, found at the length and time that its listing gave
    kPassing,     // the file is in use or changed meanwhile, a read fell short, memory ran out, the
                  // making was stopped, or anything else that another try may mend
};

// Whether the failure `result` depends on nothing but the file: it holds whatever the layout.
inline bool IsFileFailure(CPictureResult result) {
    return result == CPictureResult::kNotAPicture || result == CPictureResult::kBeyondBound;
}
