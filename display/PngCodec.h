#pragma once
// The suite's PNG codec, beside the JPEG one (JpegCodec.h) and over the same Windows Imaging Component:
// the lossless captures, encoded rows at a time, and the PNG pictures that the viewer opens, read and
// decoded within the same bound on hostile files as JPEG pictures (PngHeader.h). COM is initialised and
// WIC loaded only inside the calls (for the row encoder, from Begin to Finish), on the calling thread,
// which is left in the COM state it was in.

#include "display/JpegCodec.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

// Reads the PNG file at `path` whole, once, while others may go on reading, writing or deleting it, as
// ReadPictureFile reads a JPEG file (a file on a disk only: DiskFile.h). kMade, or why not
// (PictureTypes.h): kPassing when it cannot be opened or read now, or memory runs out; kNotAPicture
// when it is empty, not a PNG file or cut inside its header; kBeyondBound when it is longer than any picture
// within the decoding bound or, having read no more than its header (the first kPictureHeaderBytes), its
// header claims a picture beyond the bound for the file's length, or, once read, its coded data cannot hold
// the picture that its header claims; kDamaged when its chunks do not hold together up to IEND (cut
// short, or a CRC that does not match).
CPictureResult ReadPngPictureFile(const wchar_t* path, CPictureBytes& bytes);

// Decodes the PNG file `png` (whole, in memory) and hands its rows to `use` as 24-bit pixels, with
// their size: kMade when `use` answers true, else kPassing. Transparent pixels are shown over black,
// the colour around every picture shown. Without calling `use`: kNotAPicture or kDamaged when the
// bytes are not a PNG file that ReadPngPicture accepts, kBeyondBound when its picture lies beyond the
// decoding bound, kPassing when `stop` is set before the decoder starts or memory runs out, kDamaged
// when the decoder cannot decode it. The rows fail when `stop` is set meanwhile. Every picture is
// decoded whole, at its full size, in the first call for rows.
CPictureResult DecodePngRows(std::span<const std::uint8_t> png,
                             const std::function<bool(CPictureSize size, CRowSource& rows)>& use,
                             const CStopSignal* stop = nullptr);

// A PNG picture of 24 bits per pixel encoded rows at a time from the top, as CJpegRowEncoder does, and
// written through a file handle that the caller opened for writing (and keeps open until Finish or
// Abandon). Every call comes from the thread that called Begin. The pixels are kept exactly.
class CPngRowEncoder {
public:
    CPngRowEncoder() noexcept;
    ~CPngRowEncoder();
    CPngRowEncoder(const CPngRowEncoder&) = delete;
    CPngRowEncoder& operator=(const CPngRowEncoder&) = delete;

    // Starts a `width` x `height` picture at the file's current position. False when the codec cannot.
    bool Begin(HANDLE file, unsigned width, unsigned height) noexcept;
    // Encodes the next `count` rows: blue, green, red bytes, the first row at `rows` and each further
    // one `stride` bytes after the one above it.
    bool WriteRows(const void* rows, unsigned count, unsigned stride) noexcept;
    // Completes the file once every row was written, and ends the encoding. False when rows are
    // missing or the file could not be written; what was written stays for the caller to discard.
    bool Finish() noexcept;
    // Ends the encoding without completing the file.
    void Abandon() noexcept;

private:
    struct CSession;
    std::unique_ptr<CSession> m_session;
};
