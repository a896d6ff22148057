#pragma once
// A picture made and used band by band, the two stages overlapping: the calling thread produces the
// bands in order into a ring of slots while a second thread consumes them in the same order. A slot is
// produced into again only after its band was consumed. Plain code, free of Windows headers.

#include <functional>

enum class BandPipelineResult {
    kDone,          // every band produced and consumed, and `end` succeeded
    kProduceFailed, // a band could not be produced
    kConsumeFailed, // `begin`, a band's consumption or `end` failed
};

struct CBandPipelineStages {
    // Second thread, first: prepares the consumption; false fails the run.
    std::function<bool()> begin;
    // Calling thread: fills slot `slot` with band `band`.
    std::function<bool(int band, int slot)> produce;
    // Second thread: takes band `band` from slot `slot`.
    std::function<bool(int band, int slot)> consume;
    // Second thread, last, whenever `begin` was called: `complete` when every band was consumed. Its
    // result counts only then.
    std::function<bool(bool complete)> end;
};

// Runs `bandCount` bands through `slotCount` slots. A stage that fails (or throws) stops the other
// one before its next band. When no second thread can be started, all stages run on the calling
// thread, band by band. A failed production is reported before a failed consumption.
BandPipelineResult RunBandPipeline(int bandCount, int slotCount, const CBandPipelineStages& stages) noexcept;
