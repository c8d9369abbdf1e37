// MIDI events waiting for the next render call: processEvents copies them in, the render
// call plays them under the engine lock at the start of its block. Fixed capacity, no
// allocation; one writer and one reader, which may be different threads.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

struct midi_event {
    int32_t delta = 0;  // sample offset in the block the event was sent for
    uint8_t status = 0, data1 = 0, data2 = 0;
};

class event_queue {
public:
    static constexpr uint32_t capacity = 4096;  // a power of two

    // False when full: the event is dropped.
    bool push(const midi_event& e) {
        const uint32_t w = write.load(std::memory_order_relaxed);
        if (w - read.load(std::memory_order_acquire) >= capacity) return false;
        items[w & (capacity - 1)] = e;
        write.store(w + 1, std::memory_order_release);
        return true;
    }
    // Calls f for every waiting event in order and removes them.
    template <typename F>
    void drain(F&& f) {
        const uint32_t w = write.load(std::memory_order_acquire);
        uint32_t r = read.load(std::memory_order_relaxed);
        for (; r != w; ++r) f(items[r & (capacity - 1)]);
        read.store(r, std::memory_order_release);
    }
    // The events now waiting keep their order but lose their offsets: their block has
    // passed unplayed (a program switch held the engine), so they play at the next start.
    void make_late() {
        const uint32_t w = write.load(std::memory_order_acquire);
        for (uint32_t r = read.load(std::memory_order_relaxed); r != w; ++r)
            items[r & (capacity - 1)].delta = 0;
    }

private:
    std::array<midi_event, capacity> items{};
    std::atomic<uint32_t> write{0}, read{0};
};
