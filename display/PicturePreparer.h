#pragma once
// The frames of a full-screen window's pictures, made ready off the window's thread: first the picture
// that the window wants to show, then its neighbours in paging order, each decoded and composed by a
// job on a thread of an executor (JobExecutor.h). The window keeps answering while a picture decodes,
// and a step onto a prepared neighbour shows its frame at once. Plain code: the window's side (the
// thread pool, the posted message that announces a finished job) is handed in.
//
// Decodings take turns (DecodingTurns.h): only the picture that the window waits for may start beside
// decodings no longer wanted, within an allowance of bytes (Reset). A job no longer wanted is
// abandoned: it is told to stop, its result is dropped and no one waits for it; it holds nothing of
// the window's, so it may run on after the window has gone. The job that the window waits for runs
// as urgently as the window, and so does every job that holds a turn it waits for; an abandoned job
// runs last only once it holds no turn.
//
// What failed is remembered by what the maker says of it (PictureTypes.h): a lasting failure until the
// listing describes the file otherwise (or, for one that depends on the layout, until the layout
// changes: ForgetLayoutFailures); a passing one until the next visit (ForgetPassingFailures), so that
// a picture that cannot be had now is passed over, not tried again and again.
//
// Everything here is called on the window's thread.

#include "display/DecodingTurns.h"
#include "display/DibImage.h"
#include "display/JobExecutor.h"
#include "display/PictureTypes.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class CPicturePreparer {
public:
    // Before it decodes, a maker waits for its turn, telling the bytes that the decoder will hold
    // (JpegHeader.h's DecoderBytes), and gives up if it answers false (the job was abandoned).
    using CDecodingTurn = std::function<bool(std::uint64_t decoderBytes)>;
    // Makes the frame of `entry` and, if the window wants one, its twin (what the window needs beside
    // the frame to swap its eyes at once, FrameComposition.h). It runs on a job's thread and must use
    // nothing of the window's. Once `stop` is set its result is not used, and it may give up early.
    using CFrameMaker =
        std::function<CPictureResult(const CPictureEntry& entry, const CStopSignal& stop,
                                     const CDecodingTurn& turn, CDibImage& frame, CDibImage& twin)>;
    // Turns a prepared frame and its twin into what another maker would have made (the eyes swapped);
    // false when it cannot, and the frame must be made anew.
    using CFrameTurner = std::function<bool(CDibImage& frame, CDibImage& twin)>;
    // Tells the window, from any thread, that a job finished: the window then calls Collect on its own.
    using CAnnouncer = std::function<void()>;

    // What finished jobs brought (Collect).
    struct COutcome {
        // The wanted picture's frame: made (true, Take it) or known not to be now (false).
        std::optional<bool> wanted;
        // A neighbour cannot be made: the window names others.
        bool neighbourFailed = false;
    };

    // `executor` and `turns` outlive the jobs, and so the preparer.
    CPicturePreparer(CJobExecutor& executor, CDecodingTurns& turns) noexcept;
    ~CPicturePreparer();
    CPicturePreparer(const CPicturePreparer&) = delete;
    CPicturePreparer& operator=(const CPicturePreparer&) = delete;

    // Prepares frames with `maker`, announcing finished jobs with `announce`, keeping at most
    // `neighbourSlots` neighbours' frames, and the twins of the first `twinSlots` of them. The wanted
    // picture's decoding may start beside those no longer wanted while all but the largest of them hold
    // at most `sharedBytes`, in the memory of a frame dropped if there is one; otherwise one picture
    // decodes at a time. Whatever an earlier maker made or is making is dropped; what is known to fail
    // stays known.
    void Reset(CAnnouncer announce, CFrameMaker maker, std::size_t neighbourSlots, std::size_t twinSlots = 0,
               std::uint64_t sharedBytes = 0);
    // Goes on with `maker`, which makes what `turn` makes of the frames of the present one: the prepared
    // frames are turned (those it cannot turn are dropped), the jobs under way abandoned and started
    // anew.
    void Remake(CFrameMaker maker, const CFrameTurner& turn);
    // Abandons every job and drops every frame; nothing is announced any more. Never waits for a job.
    void Stop();

    bool HasFailed(const CPictureEntry& entry) const;
    // The user moves on: the pictures that failed for a passing reason are tried again when named.
    void ForgetPassingFailures();
    // The frames are made for another layout (fit, eyes, screen): the failures that depended on the
    // old one are forgotten, and so are the passing ones.
    void ForgetLayoutFailures();

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

    // Waits, up to `bound`, until the wanted picture's job has finished, without polling; then takes in
    // what finished (Collect). `wanted` stays unset when its job runs on.
    COutcome WaitForWanted(std::chrono::milliseconds bound);

    // Hands over the prepared frame of `entry`, swapped into `frame`, and its twin into `twin` if
    // given; false when there is none.
    bool Take(const CPictureEntry& entry, CDibImage& frame, CDibImage* twin = nullptr);
    // Takes `frame` (and `twin`), the frame of `entry` that the window stops showing, leaving them
    // empty; the next Want keeps it when `entry` is among the neighbours.
    void Keep(const CPictureEntry& entry, CDibImage& frame, CDibImage* twin = nullptr);

    // For the window's announcement: takes in the jobs that finished and starts the next ones.
    COutcome Collect();

private:
    struct CJob;
    struct CMailbox;
    struct CPrepared {
        CPictureEntry entry;
        std::unique_ptr<CDibImage> frame;
        std::unique_ptr<CDibImage> twin;
    };
    // A failure that lasts: the file as it was, and whether it holds for every layout.
    struct CFailure {
        CPictureEntry entry;
        bool ofFile = false;
    };

    bool IsWanted(const CPictureEntry& entry) const { return m_wanted && *m_wanted == entry; }
    bool IsNeighbour(const CPictureEntry& entry) const;
    bool IsPrepared(const CPictureEntry& entry) const;
    std::shared_ptr<CJob> JobFor(const CPictureEntry& entry) const;
    void Remember(const CPictureEntry& entry, CPictureResult result);
    void AbandonAll();
    // Abandons the jobs and drops the frames of pictures neither wanted nor neighbours.
    void DropUnwanted();
    // Drops the twins of the neighbours beyond the first m_twinSlots.
    void DropSurplusTwins();
    void AbandonJobs();
    void StartJobs();
    void StartWantedAndNeighbours();
    void StartJob(const CPictureEntry& entry);
    // Tells each job whether the window waits for its picture.
    void UpdateUrgencies();
    // Keeps the memory of a frame dropped for the next job, if none is kept yet; frees it otherwise.
    void Recycle(CDibImage& frame);

    CJobExecutor& m_executor;
    CDecodingTurns& m_turns;
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
    // By path: the lasting failures.
    std::map<std::wstring, CFailure> m_failed;
    // The passing failures since the last visit, by path and description.
    std::vector<CPictureEntry> m_passing;
};
