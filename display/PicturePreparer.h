#pragma once
// The frames of a full-screen window's pictures, made ready off the window's thread: first the picture
// that the window wants to show, then its neighbours in paging order, each decoded and composed by a
// job on a thread of the process's pool. The window keeps answering while a picture decodes, and a step onto
// a prepared neighbour shows its frame at once. A picture that cannot be made is remembered and passed over
// until the listing that names it is read anew and describes the file otherwise (CPictureEntry).
//
// One picture decodes at a time in the process, so that no more than one picture's decoding is held in
// memory; a job waits for its turn. Only the picture that the window waits for may start beside
// decodings no longer wanted, within an allowance of bytes (Reset). Everything here is called on the window's
// thread. A finished job posts kMsgPicturesReady to the window, which hands it to Collect. A job that is no
// longer wanted is abandoned: it is told to stop, its result is dropped and no one waits for it. It holds
// nothing of the window's, so it may run on after the window has gone; a program that ends meanwhile ends
// without it (EndProcessIfPreparing).

#include "display/DibImage.h"
#include "display/JpegCodec.h"
#include "framework/Handles.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

class CPicturePreparer {
public:
    static constexpr UINT kMsgPicturesReady = WM_APP + 1;

    // Makes the frame of `entry` and, if the window wants one, its twin (what the window needs beside
    // the frame to swap its eyes at once, FrameComposition.h); false when it cannot be made. It runs on
    // a job's thread (or, for MakeNow, on the window's) and must use nothing of the window's. Once
    // `stop` is set its result is not used, and it may give up early.
    // Before it decodes, it waits for its turn with `turn`, telling the bytes that the decoder will hold
    // (JpegHeader.h's DecoderBytes, or at most kMaxDecoderBytes), and gives up if it answers false.
    using CDecodingTurn = std::function<bool(std::uint64_t decoderBytes)>;
    using CFrameMaker = std::function<bool(const CPictureEntry& entry, const CStopSignal& stop,
                                           const CDecodingTurn& turn, CDibImage& frame, CDibImage& twin)>;
    // Turns a prepared frame and its twin into what another maker would have made (the eyes swapped);
    // false when it cannot, and the frame must be made anew.
    using CFrameTurner = std::function<bool(CDibImage& frame, CDibImage& twin)>;

    // What finished jobs brought (Collect).
    struct COutcome {
        // The wanted picture's frame: made (true, Take it) or known not to be (false).
        std::optional<bool> wanted;
        // A neighbour cannot be made: the window names others.
        bool neighbourFailed = false;
    };

    CPicturePreparer() = default;
    ~CPicturePreparer();
    CPicturePreparer(const CPicturePreparer&) = delete;
    CPicturePreparer& operator=(const CPicturePreparer&) = delete;

    // Prepares frames for `window` with `maker`, keeping at most `neighbourSlots` neighbours' frames,
    // and the twins of the first `twinSlots` of them. The wanted picture's decoding may start beside those no
    // longer wanted while all but the largest of them hold at most `sharedBytes`, in the memory of a frame
    // dropped if there is one; otherwise one picture decodes at a time in the process. Whatever an earlier
    // maker made or is making is dropped; what is known to fail stays known.
    void Reset(HWND window, CFrameMaker maker, std::size_t neighbourSlots, std::size_t twinSlots = 0,
               std::uint64_t sharedBytes = 0);
    // Goes on with `maker`, which makes what `turn` makes of the frames of the present one: the prepared
    // frames are turned (those it cannot turn are dropped), the jobs under way abandoned and started
    // anew.
    void Remake(CFrameMaker maker, const CFrameTurner& turn);
    // Abandons every job and drops every frame; nothing is posted to the window any more.
    void Stop();

    // Makes the frame of `entry` (and its twin, if `twin`) on this thread; a failure is remembered.
    bool MakeNow(const CPictureEntry& entry, CDibImage& frame, CDibImage* twin = nullptr);
    bool HasFailed(const CPictureEntry& entry) const;

    // What the window wants: the picture to show (none while the frame shown stays) and the neighbours
    // of its position in order of preference (the next picture, then the previous one). Jobs for other
    // pictures are abandoned and their frames dropped. The wanted picture's job starts at once, and
    // the neighbours' jobs under way are abandoned for it; the neighbours' jobs start one at a time,
    // once none of the window's jobs (abandoned ones included) is still making a frame.
    void Want(std::optional<CPictureEntry> wanted, std::vector<CPictureEntry> neighbours);
    // The same with new neighbours, the wanted picture as it was.
    void SetNeighbours(std::vector<CPictureEntry> neighbours);

    // While held, no neighbour's job starts: the window is about to draw a new frame, and its drawing
    // and a decoding at once would both be held in memory. The window lets them go once it has drawn.
    void HoldNeighbours() { m_neighboursHeld = true; }
    void LetNeighboursGo();

    // Hands over the prepared frame of `entry`, swapped into `frame`, and its twin into `twin` if
    // given; false when there is none.
    bool Take(const CPictureEntry& entry, CDibImage& frame, CDibImage* twin = nullptr);
    // Takes `frame` (and `twin`), the frame of `entry` that the window stops showing, leaving them
    // empty; the next Want keeps it when `entry` is among the neighbours.
    void Keep(const CPictureEntry& entry, CDibImage& frame, CDibImage* twin = nullptr);

    // For the window's kMsgPicturesReady: takes in the jobs that finished and starts the next ones.
    COutcome Collect();

private:
    struct CJob;
    struct CMailbox;
    struct CPrepared {
        CPictureEntry entry;
        std::unique_ptr<CDibImage> frame;
        std::unique_ptr<CDibImage> twin;
    };

    bool IsWanted(const CPictureEntry& entry) const { return m_wanted && *m_wanted == entry; }
    bool IsNeighbour(const CPictureEntry& entry) const;
    bool IsPrepared(const CPictureEntry& entry) const;
    bool IsBeingMade(const CPictureEntry& entry) const;
    void MarkFailed(const CPictureEntry& entry);
    void AbandonAll();
    // Abandons the jobs and drops the frames of pictures neither wanted nor neighbours.
    void DropUnwanted();
    // Drops the twins of the neighbours beyond the first m_twinSlots.
    void DropSurplusTwins();
    void AbandonJobs();
    void StartJobs();
    void StartWantedAndNeighbours();
    void StartJob(const CPictureEntry& entry);
    // Keeps the memory of a frame dropped for the next job, if none is kept yet; frees it otherwise.
    void Recycle(CDibImage& frame);

    std::shared_ptr<CMailbox> m_mailbox;
    CFrameMaker m_maker;
    std::size_t m_neighbourSlots = 0;
    std::size_t m_twinSlots = 0;
    std::uint64_t m_sharedBytes = 0;
    bool m_neighboursHeld = false;
    std::optional<CPictureEntry> m_wanted;
    std::vector<CPictureEntry> m_neighbours;
    std::vector<std::shared_ptr<CJob>> m_jobs;
    std::vector<CPrepared> m_prepared;
    // The memory of a frame dropped, for the next job (Recycle).
    CDibImage m_spare;
    // By path: the file as it was when it failed.
    std::map<std::wstring, CPictureEntry> m_failed;
};

// Ends the process at once with `exitCode` while a job, abandoned by a window that has gone, still
// decodes: the system's decoder may hold locks that the normal end of a process (the libraries'
// detaching) would wait for. Does nothing when no job runs. For a program's very end.
void EndProcessIfPreparing(int exitCode);

// Whether anything in a folder was added, removed, renamed, written or resized since the last call.
class CFolderChanges {
public:
    // Starts watching `folder` (not its subfolders); without a watch, Changed answers false.
    void Watch(const std::wstring& folder);
    bool Changed();

private:
    CChangeNotification m_notification;
};
