// Keeps a render's output in a temporary file, so that it can be written out again with
// one gain once its peak is known (kaveo-render --normalize). The file is removed when
// the spool goes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "host/renderer.h"

namespace host {

class spool {
public:
    explicit spool(int channels);  // throws std::runtime_error without a temporary file
    ~spool();
    spool(const spool&) = delete;
    spool& operator=(const spool&) = delete;

    void write(const float* const* channels, size_t frames);
    uint64_t frames() const { return written; }
    double peak() const { return largest; }  // NaN is not counted

    // Hands everything back, times `gain`, in blocks of at most `block` frames.
    void replay(double gain, const block_sink& sink, int block);

private:
    std::FILE* file = nullptr;
    int channel_count;
    uint64_t written = 0;
    double largest = 0.0;
    std::vector<float> interleaved;
};

// The gain that brings `peak` to `target_dbfs`; 1 for silence.
double normalize_gain(double peak, double target_dbfs);

}  // namespace host
