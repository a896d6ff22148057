#include "display/DecodingTurns.h"

#include <algorithm>

CDecodingTurns& CDecodingTurns::OfProcess() {
    static auto* turns = new CDecodingTurns;
    return *turns;
}

bool CDecodingTurns::Take(CHolder& holder, std::uint64_t bytes, std::uint64_t allowance,
                          const CStopSignal& stop) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_waiting.push_back(&holder);
    TellHolders();
    // A picture that no window waits for lets those that one waits for go first.
    m_changed.wait(lock, [&] {
        return stop.load() || (Fits(bytes, allowance) && (holder.IsWaitedFor() || !WaitedForWaits()));
    });
    m_waiting.erase(std::find(m_waiting.begin(), m_waiting.end(), &holder));
    const bool taken = !stop.load();
    if (taken)
        m_held.push_back({&holder, bytes});
    TellHolders();
    return taken;
}

void CDecodingTurns::Give(CHolder& holder) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto turn = std::find_if(m_held.begin(), m_held.end(),
                                       [&](const CTurn& held) { return held.holder == &holder; });
        if (turn == m_held.end())
            return;
        holder.SetBlocking(false);
        m_held.erase(turn);
    }
    m_changed.notify_all();
}

void CDecodingTurns::Reconsider() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        TellHolders();
    }
    m_changed.notify_all();
}

bool CDecodingTurns::Fits(std::uint64_t bytes, std::uint64_t allowance) const {
    if (m_held.empty())
        return true;
    if (allowance == 0)
        return false;
    std::uint64_t all = bytes;
    std::uint64_t largest = bytes;
    for (const CTurn& held : m_held) {
        all += held.bytes;
        largest = std::max(largest, held.bytes);
    }
    return all - largest <= allowance;
}

bool CDecodingTurns::WaitedForWaits() const {
    return std::any_of(m_waiting.begin(), m_waiting.end(),
                       [](const CHolder* waiting) { return waiting->IsWaitedFor(); });
}

void CDecodingTurns::TellHolders() {
    const bool blocking = WaitedForWaits();
    for (const CTurn& held : m_held)
        held.holder->SetBlocking(blocking);
}
