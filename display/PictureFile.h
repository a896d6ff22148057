#pragma once
// The picture files that the viewer opens, decoded for display: side-by-side stereo pictures (.jps,
// and the lossless .pns, a PNG file), the multi-picture files of stereo cameras (.mpo) and plain
// pictures (.jpg, .jpeg, .jpe, .jfif, and the lossless .png). Each eye is scaled to the screen, or else
// cut to the part of it that the screen shows, as it is decoded: no holder is ever larger than the
// screen.

#include "display/FrameComposition.h"
#include "display/JpegCodec.h"
#include "display/PictureScaler.h"
#include "display/PictureTypes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

enum class CPictureKind {
    kSideBySide,   // .jps, .pns: the left eye in the left half, the right eye in the right half
    kMultiPicture, // .mpo: the first two pictures of the file's index; one picture is shown in 2D
    kFlat,         // a picture in 2D: both eyes see it
};

// The kind of the file named `name`, by its extension in any case; none for other files.
std::optional<CPictureKind> PictureKindOf(std::wstring_view name);
// The stereo pictures (.jps, .mpo and .pns) and the flat ones are the two families that the viewer
// pages through.
inline bool IsStereoKind(CPictureKind kind) {
    return kind != CPictureKind::kFlat;
}

// How a picture is made ready: for which screen, how each eye is brought to it, and which eyes. A
// single eye (for 2D) becomes the picture's left, and its right stays empty.
enum class CEyeChoice { kBoth, kLeft, kRight };
enum class CEyeScaling {
    kFitted,   // scaled, keeping its proportions, to the largest size that fits the screen
    kUnscaled, // its top left part of the screen's size, pixel for pixel
    kShrunk,   // scaled down in each direction that is larger than the screen to the screen's size
};
struct CPictureLayout {
    CPictureSize screen;
    CEyeScaling scaling = CEyeScaling::kFitted;
    CEyeChoice eyes = CEyeChoice::kBoth;
};

// How a picture file is coded, by its extension: PNG for .png and .pns, JPEG for every other.
enum class CPictureCoding { kJpeg, kPng };
CPictureCoding CodingOf(std::wstring_view name);

// Reads the picture file at `path` whole for decoding, by its coding's reader (ReadPictureFile,
// ReadPngPictureFile), with what that reader answers.
CPictureResult ReadCodedFile(const std::wstring& path, CPictureBytes& bytes);
// The size of the picture `coded` of `coding` and the bytes that its decoder holds (JpegHeader.h's
// DecoderBytes, PngHeader.h's PngDecoderBytes); false when its header cannot be read.
struct CCodedSize {
    CPictureSize size;
    std::uint64_t decoderBytes = 0;
};
bool MeasureCoded(std::span<const std::uint8_t> coded, CPictureCoding coding, CCodedSize& measured);
// Decodes the picture `coded` of `coding` and hands its rows to `use`, as DecodeJpegRows and
// DecodePngRows do; only the JPEG decoder makes the picture smaller towards `wanted` itself.
CPictureResult DecodeCodedRows(std::span<const std::uint8_t> coded, CPictureCoding coding,
                               CPictureSize wanted,
                               const std::function<bool(CPictureSize size, CRowSource& rows)>& use,
                               const CStopSignal* stop);

// Before decoding, LoadStereoPicture waits for a decoding turn with the bytes that the decoder will
// hold (JpegHeader.h's DecoderBytes of the larger picture decoded), and gives up when it answers false.
using CDecodingTurnFunction = std::function<bool(std::uint64_t decoderBytes)>;

// Reads the picture file at `path` (of the coding of its name) as a picture of `kind` and makes `picture`
// from it for `layout`: a .jps's halves (an odd last column belongs to neither), an .mpo's first two pictures
// (or its one picture, as both eyes), a flat picture as both eyes. kMade, or why not (PictureTypes.h), with
// `picture` empty: the file cannot be read or decoded, an .mpo's index is damaged (kNotAPicture), a
// picture of it lies beyond the decoding bound (JpegHeader.h: every picture that would be decoded is
// measured before the first is), or `stop` is set or `turn` refused meanwhile (kPassing).
CPictureResult LoadStereoPicture(const std::wstring& path, CPictureKind kind, const CPictureLayout& layout,
                                 CStereoPicture& picture, const CStopSignal* stop = nullptr,
                                 const CDecodingTurnFunction* turn = nullptr);

// What a making of the file of `entry` came to, `result`, as far as it lasts: the failure of a file
// that no longer is as its listing describes it (being written meanwhile, say) may go at another try.
CPictureResult AsListed(const CPictureEntry& entry, CPictureResult result);
// The file at `path` as a listing would describe it now; its length and time 0 when it cannot be
// found.
CPictureEntry DescribeFile(const std::wstring& path);
