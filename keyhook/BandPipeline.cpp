#include "keyhook/BandPipeline.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

template <typename Function, typename... Arguments>
bool Succeeds(const Function& stage, Arguments... arguments) {
    try {
        return stage(arguments...);
    } catch (...) {
        return false;
    }
}

// What the two threads share: how far each has come, and whether one of them gave up. A mutex that
// cannot be locked ends the process (noexcept): the other thread could not be told to stop.
class CBandRing {
public:
    explicit CBandRing(int slotCount) noexcept : m_slotCount(slotCount) {}

    // Producer: waits until band `band` has a free slot; false when the consumer gave up.
    bool WaitForSlot(int band) noexcept {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_stopped || band - m_consumed < m_slotCount; });
        return !m_stopped;
    }
    // Consumer: waits until band `band` was produced; false when the producer gave up.
    bool WaitForBand(int band) noexcept {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_stopped || m_produced > band; });
        return !m_stopped;
    }
    void Produced(int bands) noexcept {
        Update([&] { m_produced = bands; });
    }
    void Consumed(int bands) noexcept {
        Update([&] { m_consumed = bands; });
    }
    void Stop() noexcept {
        Update([&] { m_stopped = true; });
    }

private:
    template <typename Change> void Update(Change change) noexcept {
        {
            std::lock_guard lock(m_mutex);
            change();
        }
        m_changed.notify_all();
    }

    const int m_slotCount;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_produced = 0;
    int m_consumed = 0;
    bool m_stopped = false;
};

// The second thread's part; true when it consumed every band and ended well.
bool ConsumeAll(int bandCount, int slotCount, const CBandPipelineStages& stages, CBandRing& ring) noexcept {
    if (!Succeeds(stages.begin)) {
        Succeeds(stages.end, false);
        return false;
    }
    int band = 0;
    for (; band < bandCount && ring.WaitForBand(band); ++band) {
        if (!Succeeds(stages.consume, band, band % slotCount))
            break;
        ring.Consumed(band + 1);
    }
    const bool complete = band == bandCount;
    return Succeeds(stages.end, complete) && complete;
}

// Both stages on the calling thread.
BandPipelineResult RunInline(int bandCount, const CBandPipelineStages& stages) noexcept {
    if (!Succeeds(stages.begin)) {
        Succeeds(stages.end, false);
        return BandPipelineResult::kConsumeFailed;
    }
    for (int band = 0; band < bandCount; ++band) {
        if (!Succeeds(stages.produce, band, 0)) {
            Succeeds(stages.end, false);
            return BandPipelineResult::kProduceFailed;
        }
        if (!Succeeds(stages.consume, band, 0)) {
            Succeeds(stages.end, false);
            return BandPipelineResult::kConsumeFailed;
        }
    }
    return Succeeds(stages.end, true) ? BandPipelineResult::kDone : BandPipelineResult::kConsumeFailed;
}

} // namespace

BandPipelineResult RunBandPipeline(int bandCount, int slotCount, const CBandPipelineStages& stages) noexcept {
    if (bandCount < 0 || slotCount <= 0)
        return BandPipelineResult::kProduceFailed;
    CBandRing ring(slotCount);
    bool consumed = false;
    std::thread consumer;
    try {
        consumer = std::thread([&]() noexcept {
            consumed = ConsumeAll(bandCount, slotCount, stages, ring);
            // Whatever the reason, the producer must not wait for a slot any longer.
            if (!consumed)
                ring.Stop();
        });
    } catch (...) {
        return RunInline(bandCount, stages);
    }
    bool produced = true;
    for (int band = 0; band < bandCount && ring.WaitForSlot(band); ++band) {
        if (!Succeeds(stages.produce, band, band % slotCount)) {
            produced = false;
            ring.Stop();
            break;
        }
        ring.Produced(band + 1);
    }
    consumer.join();
    if (!produced)
        return BandPipelineResult::kProduceFailed;
    return consumed ? BandPipelineResult::kDone : BandPipelineResult::kConsumeFailed;
}
