// Expands the zlib blocks of one record on helper threads while the caller
// reads the blocks after them and writes the expanded ones out in order. The
// blocks are independent of each other, so a record of many expands on as many
// cores as there are helpers; without helpers a block expands when handed over.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "packlib/wait_point.h"

namespace kb::pack {

class BlockExpander {
public:
    // inputRoom: the largest stored block; outputRoom: the largest expanded one.
    BlockExpander(size_t inputRoom, size_t outputRoom) : inputRoom_(inputRoom), outputRoom_(outputRoom) {}
    ~BlockExpander() { Stop(); }
    BlockExpander(const BlockExpander&) = delete;
    BlockExpander& operator=(const BlockExpander&) = delete;

    // Helpers worth starting for a record of blockCount blocks on this machine.
    static unsigned HelpersFor(uint32_t blockCount);

    // Makes the buffers and starts up to `helpers` threads (fewer when the
    // system gives fewer). False when the buffers cannot be had.
    bool Start(unsigned helpers);
    // How many blocks may be handed over and not yet taken back.
    uint32_t Depth() const { return static_cast<uint32_t>(slots_.size()); }

    // Blocks are numbered from 0 and handed over and taken back in that order.
    // The room for block k's stored bytes; block k - Depth() must be taken back.
    uint8_t* Input(uint32_t k) { return SlotOf(k).input.get(); }
    // Hands block k over: `length` stored bytes that must expand to exactly
    // `expected` bytes (at most the output room).
    void Submit(uint32_t k, size_t length, size_t expected);
    // Waits for block k, the oldest not yet taken back: its `expected` bytes,
    // or nullptr when it did not expand to exactly that many.
    const uint8_t* Take(uint32_t k);

    // Ends the helpers once they finish the block in hand; blocks not taken
    // back are dropped.
    void Stop();

private:
    struct Slot {
        std::unique_ptr<uint8_t[]> input;
        std::unique_ptr<uint8_t[]> output;
        size_t length = 0;
        size_t expected = 0;
        bool done = false;
        bool ok = false;
    };
    Slot& SlotOf(uint32_t k) { return slots_[k % slots_.size()]; }
    static bool Expand(Slot& slot);
    void Run();

    size_t inputRoom_;
    size_t outputRoom_;
    std::vector<Slot> slots_;
    std::vector<std::thread> helpers_;
    fs::WaitPoint point_;
    uint32_t submitted_ = 0;  // blocks handed over
    uint32_t begun_ = 0;      // blocks a helper has taken up
    bool quit_ = false;
};

}  // namespace kb::pack
