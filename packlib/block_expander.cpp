#include "packlib/block_expander.h"

#include <zlib.h>

#include <algorithm>
#include <new>
#include <system_error>

namespace kb::pack {

unsigned BlockExpander::HelpersFor(uint32_t blockCount) {
    // One core stays with the caller's reading and writing; more than three
    // helpers outrun what the disk takes.
    const unsigned cores = std::thread::hardware_concurrency();
    const unsigned helpers = cores > 1 ? std::min(cores - 1, 3u) : 0;
    return blockCount > 1 ? std::min<unsigned>(helpers, blockCount - 1) : 0;
}

bool BlockExpander::Start(unsigned helpers) {
    Stop();
    slots_.clear();
    // Two more blocks than helpers: one being read and one being written
    // while every helper expands.
    slots_.resize(helpers + 2);
    for (Slot& slot : slots_) {
        slot.input.reset(new (std::nothrow) uint8_t[inputRoom_]);
        slot.output.reset(new (std::nothrow) uint8_t[outputRoom_]);
        if (!slot.input || !slot.output) {
            slots_.clear();
            return false;
        }
    }
    submitted_ = 0;
    begun_ = 0;
    quit_ = false;
    for (unsigned i = 0; i < helpers; ++i) {
        try {
            helpers_.emplace_back(&BlockExpander::Run, this);
        } catch (const std::system_error&) {
            break;  // fewer helpers, or none: blocks then expand as they are handed over
        }
    }
    return true;
}

bool BlockExpander::Expand(Slot& slot) {
    uLongf expanded = static_cast<uLongf>(slot.expected);
    return uncompress(slot.output.get(), &expanded, slot.input.get(), static_cast<uLong>(slot.length)) == Z_OK &&
           expanded == slot.expected;
}

void BlockExpander::Submit(uint32_t k, size_t length, size_t expected) {
    Slot& slot = SlotOf(k);
    slot.length = length;
    slot.expected = std::min(expected, outputRoom_);
    if (helpers_.empty()) {
        slot.ok = expected <= outputRoom_ && Expand(slot);
        slot.done = true;
        submitted_ = k + 1;
        return;
    }
    {
        fs::WaitPoint::Hold hold(point_);
        slot.done = false;
        // A block larger than the room cannot be right; it fails when taken.
        slot.ok = expected <= outputRoom_;
        submitted_ = k + 1;
    }
    point_.WakeAll();
}

void BlockExpander::Run() {
    fs::WaitPoint::Hold hold(point_);
    for (;;) {
        while (!quit_ && begun_ == submitted_) point_.Wait();
        if (quit_) return;
        Slot& slot = SlotOf(begun_++);
        const bool fits = slot.ok;
        point_.Unlock();
        const bool ok = fits && Expand(slot);
        point_.Lock();
        slot.ok = ok;
        slot.done = true;
        point_.WakeAll();
    }
}

const uint8_t* BlockExpander::Take(uint32_t k) {
    Slot& slot = SlotOf(k);
    if (!helpers_.empty()) {
        fs::WaitPoint::Hold hold(point_);
        while (!slot.done) point_.Wait();
    } else if (!slot.done) {
        // Handed over to helpers that have since been stopped.
        slot.ok = slot.ok && Expand(slot);
        slot.done = true;
    }
    return slot.ok ? slot.output.get() : nullptr;
}

void BlockExpander::Stop() {
    if (helpers_.empty()) return;
    {
        fs::WaitPoint::Hold hold(point_);
        quit_ = true;
    }
    point_.WakeAll();
    for (std::thread& helper : helpers_) helper.join();
    helpers_.clear();
}

}  // namespace kb::pack
