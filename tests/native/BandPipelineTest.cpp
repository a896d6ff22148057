#include "keyhook/BandPipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Stages that record what they did: the producer writes the band's number into its slot, the consumer
// checks it finds there the band it expects and that nobody writes into the slot meanwhile.
struct CRecordingStages {
    static constexpr int kSlots = 3;

    int failProduceAt = -1;
    int failConsumeAt = -1;
    bool failBegin = false;
    bool failEnd = false;
    bool throwInstead = false;

    int slots[kSlots] = {};
    std::atomic<bool> busy[kSlots] = {};
    std::atomic<int> produced{0};
    std::vector<int> consumed;
    std::vector<bool> ends;
    bool mixedUp = false;
    bool beganFirst = true;
    std::thread::id consumerThread;
    std::mutex record;

    bool Fail() {
        if (throwInstead)
            throw std::runtime_error("stage failed");
        return false;
    }

    CBandPipelineStages Stages() {
        CBandPipelineStages stages;
        stages.begin = [this] {
            consumerThread = std::this_thread::get_id();
            return failBegin ? Fail() : true;
        };
        stages.produce = [this](int band, int slot) {
            if (band == failProduceAt)
                return Fail();
            if (busy[slot].exchange(true))
                mixedUp = true;
            slots[slot] = band;
            busy[slot] = false;
            ++produced;
            return true;
        };
        stages.consume = [this](int band, int slot) {
            if (band == failConsumeAt)
                return Fail();
            if (busy[slot].exchange(true))
                mixedUp = true;
            std::this_thread::yield(); // let the producer run into the slot if it could
            if (slots[slot] != band)
                mixedUp = true;
            busy[slot] = false;
            std::lock_guard lock(record);
            consumed.push_back(band);
            return true;
        };
        stages.end = [this](bool complete) {
            std::lock_guard lock(record);
            ends.push_back(complete);
            return failEnd ? Fail() : true;
        };
        return stages;
    }
};

std::vector<int> Bands(int count) {
    std::vector<int> bands;
    for (int band = 0; band < count; ++band)
        bands.push_back(band);
    return bands;
}

} // namespace

TEST(BandPipeline, EveryBandIsConsumedInOrderOnTheSecondThreadWhileTheNextIsProduced) {
    for (int bands : {0, 1, 2, 200}) {
        CRecordingStages recording;
        EXPECT_EQ(RunBandPipeline(bands, CRecordingStages::kSlots, recording.Stages()),
                  BandPipelineResult::kDone);
        EXPECT_EQ(recording.consumed, Bands(bands));
        EXPECT_EQ(recording.ends, std::vector<bool>{true});
        EXPECT_FALSE(recording.mixedUp) << "a slot was produced into while it was consumed";
        EXPECT_NE(recording.consumerThread, std::this_thread::get_id());
    }
}

TEST(BandPipeline, AFailingStageStopsTheOtherAndEndsIncomplete) {
    for (bool throwing : {false, true}) {
        // A band that cannot be produced: none from it on is consumed.
        CRecordingStages production;
        production.failProduceAt = 7;
        production.throwInstead = throwing;
        EXPECT_EQ(RunBandPipeline(50, CRecordingStages::kSlots, production.Stages()),
                  BandPipelineResult::kProduceFailed);
        EXPECT_LE(production.consumed.size(), 7u);
        EXPECT_EQ(production.ends, std::vector<bool>{false});

        // A band that cannot be consumed: the producer runs at most the ring ahead, then stops.
        CRecordingStages consumption;
        consumption.failConsumeAt = 5;
        consumption.throwInstead = throwing;
        EXPECT_EQ(RunBandPipeline(50, CRecordingStages::kSlots, consumption.Stages()),
                  BandPipelineResult::kConsumeFailed);
        EXPECT_EQ(consumption.consumed, Bands(5));
        EXPECT_LE(consumption.produced.load(), 5 + CRecordingStages::kSlots + 1);
        EXPECT_EQ(consumption.ends, std::vector<bool>{false});

        // A consumer that cannot begin takes nothing and still ends.
        CRecordingStages start;
        start.failBegin = true;
        start.throwInstead = throwing;
        EXPECT_EQ(RunBandPipeline(50, CRecordingStages::kSlots, start.Stages()),
                  BandPipelineResult::kConsumeFailed);
        EXPECT_TRUE(start.consumed.empty());
        EXPECT_LE(start.produced.load(), CRecordingStages::kSlots + 1);
        EXPECT_EQ(start.ends, std::vector<bool>{false});

        // An end that fails after every band fails the run.
        CRecordingStages finish;
        finish.failEnd = true;
        finish.throwInstead = throwing;
        EXPECT_EQ(RunBandPipeline(10, CRecordingStages::kSlots, finish.Stages()),
                  BandPipelineResult::kConsumeFailed);
        EXPECT_EQ(finish.consumed, Bands(10));
        EXPECT_EQ(finish.ends, std::vector<bool>{true});
    }
    CRecordingStages none;
    EXPECT_EQ(RunBandPipeline(5, 0, none.Stages()), BandPipelineResult::kProduceFailed);
    EXPECT_TRUE(none.ends.empty());
}
