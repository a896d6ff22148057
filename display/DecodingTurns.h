#pragma once
// The decodings under way in a process, each counted by the bytes that its decoder holds
// (JpegHeader.h's DecoderBytes). One runs at a time: a second one would hold a second picture's worth
// of the decoder's buffers and compete with the first for the processor. A decoding given an
// allowance (the picture that a window waits for) may start beside others when all of them but the
// largest hold no more than the allowance: a decoding no longer wanted cannot always be stopped half
// way, and the picture wanted need not wait for it when memory allows.
//
// Whoever waits for a turn sleeps until a turn is given back, its stop signal is set (Reconsider), or
// the allowance lets it in: nothing polls. While a picture that a window waits for waits for a turn,
// every holder of a turn is told that it stands in the way (CHolder::SetBlocking), so that it may run
// as urgently as the picture waited for. Plain code.

#include "display/PictureTypes.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

class CDecodingTurns {
public:
    // One that holds or waits for a turn. Its calls come with the turns' lock held: they must not
    // call back into the turns.
    class CHolder {
    public:
        // Whether a window waits for this one's picture.
        virtual bool IsWaitedFor() const noexcept = 0;
        // While this one holds a turn: whether a picture waited for waits for a turn meanwhile.
        virtual void SetBlocking(bool blocking) noexcept = 0;

    protected:
        ~CHolder() = default;
    };

    CDecodingTurns() = default;
    CDecodingTurns(const CDecodingTurns&) = delete;
    CDecodingTurns& operator=(const CDecodingTurns&) = delete;

    // The process's: never destroyed, since a decoding no longer wanted may hold a turn while the
    // program ends.
    static CDecodingTurns& OfProcess();

    // Waits for a turn of `bytes` for `holder`, which may start beside others within `allowance`;
    // false, without a turn, once `stop` is set. A holder takes one turn at a time.
    bool Take(CHolder& holder, std::uint64_t bytes, std::uint64_t allowance, const CStopSignal& stop);
    // Gives back the turn of `holder`, if it holds one.
    void Give(CHolder& holder);
    // Wakes every waiter to look again: a stop signal was set, or whether a holder's picture is waited
    // for changed.
    void Reconsider();

private:
    struct CTurn {
        CHolder* holder;
        std::uint64_t bytes;
    };

    bool Fits(std::uint64_t bytes, std::uint64_t allowance) const;
    bool WaitedForWaits() const;
    // Tells every holder whether a picture waited for waits.
    void TellHolders();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<CTurn> m_held;
    std::vector<const CHolder*> m_waiting;
};
