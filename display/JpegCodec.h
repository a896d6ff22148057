#pragma once
// The suite's JPEG codec: a small layer over the Windows Imaging Component (WIC, part of Windows).
// Pictures cross it as packed device-independent bitmaps in movable global memory: a 40-byte
// BITMAPINFOHEADER, a colour table of 2, 16 or 256 entries for 1, 4 or 8 bits per pixel (none for other
// depths), then the pixel rows bottom-up, each padded to a multiple of 4 bytes.
//
// COM is initialised and WIC loaded only inside the decoding and encoding calls (for the row encoder,
// from Begin to Finish), on the calling thread, which is left in the COM state it was in. Only
// CheckCodecModules may be called from DllMain.

#include "display/PictureScaler.h"
#include "display/PictureTypes.h"

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

// The module mask that the programs and the hook library ask for.
inline constexpr unsigned kCodecModules = 7;

// Makes the codec ready: answers `modules` when JPEG files can be decoded and encoded on this system,
// 0 otherwise. Loads WIC to find out; for programs, not for DllMain.
unsigned LoadCodecModules(unsigned modules);
// Releases what LoadCodecModules took.
void UnloadCodecModules(unsigned modules);
// The cheap readiness check for a library being loaded: answers `modules` when the system carries the
// imaging component, without loading anything or touching a file or the registry.
unsigned CheckCodecModules(unsigned modules);

// Decodes the JPEG file (.jpg or .jps) at `path` into a 24-bit packed DIB. Null when the file is missing,
// empty or not a picture the codec reads, and, before anything is decoded, when its frame header
// declares a picture beyond the decoding bound (JpegHeader.h). The file is read whole, once. The
// caller frees the handle with GlobalFree.
HGLOBAL DecodeJpegFile(const char* path);

// The bytes of a picture file, read whole.
struct CPictureBytes {
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;

    std::span<const std::uint8_t> Span() const noexcept { return {data.get(), size}; }
};
// Reads the JPEG picture file at `path` whole, once, while others may go on reading, writing or
// deleting it. kMade with `bytes` filled; else why not (PictureTypes.h): kNotAPicture for an empty
// file or one whose header is not a JPEG stream's or breaks off; kBeyondBound for a file longer than
// any picture within the decoding bound, or, having read no more than its header (the first
// kPictureHeaderBytes), when its first picture lies beyond the bound for the file's length; kPassing
// when it cannot be opened (in use, gone, or no disk file: OpenDiskFile refuses a device or a pipe)
// or read whole, or memory runs out.
inline constexpr std::size_t kPictureHeaderBytes = 64 * 1024;
CPictureResult ReadPictureFile(const wchar_t* path, CPictureBytes& bytes);

// What a decoder's failure `failure` means for the picture: kPassing when memory ran out, else
// kDamaged.
CPictureResult DecodingFailureOf(HRESULT failure);

// Decodes the JPEG stream `jpeg` (a whole picture in memory) and hands its rows to `use`, with their
// size. kMade when `use` answered true. Without calling `use`: kNotAPicture when the stream is not a
// picture the codec reads, kBeyondBound when its frame header declares a picture beyond the decoding
// bound (JpegHeader.h), before anything is decoded, and kPassing when `stop` is set. When `use`
// answers false: kDamaged when the decoder could not decode the picture's data, else kPassing (memory
// ran out, or `use` gave up). `wanted` is the size to which the caller scales the picture, or 0 x 0
// for none: a system whose decoder can decode a JPEG picture smaller (Windows: to a half, a quarter or
// an eighth) may then hand over rows of a smaller picture, never smaller than `wanted`; Wine's decodes
// every picture whole, in its first call for rows, and so cannot stop before it has.
CPictureResult DecodeJpegRows(std::span<const std::uint8_t> jpeg, CPictureSize wanted,
                              const std::function<bool(CPictureSize size, CRowSource& rows)>& use,
                              const CStopSignal* stop = nullptr);

// Encodes the packed DIB `dib` (24 bits per pixel; 1, 4 and 8 bits are converted) as a JPEG file at
// `path`, at the near-lossless quality of the captures. True on success; the handle stays the caller's.
// A failed encoding leaves no partial file behind: the file at `path` keeps what it held.
bool EncodeJpegFile(HGLOBAL dib, const char* path);

// The same for a DIB in the caller's memory: `header` with its colour table directly after it, and the
// pixel rows at `rows` (as many bytes as the header's size calls for). Nothing is copied.
bool EncodeJpegDib(const BITMAPINFOHEADER* header, const void* rows, const char* path);

// A JPEG picture of 24 bits per pixel encoded rows at a time from the top, as they become available,
// and written through a file handle that the caller opened for writing (and keeps open until Finish
// or Abandon): the caller decides the file's name, sharing and fate. Every call comes from the thread
// that called Begin. The quality is that of EncodeJpegFile.
class CJpegRowEncoder {
public:
    CJpegRowEncoder() noexcept;
    ~CJpegRowEncoder();
    CJpegRowEncoder(const CJpegRowEncoder&) = delete;
    CJpegRowEncoder& operator=(const CJpegRowEncoder&) = delete;

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
