#include "host/spool.h"

#include <algorithm>
#include <cmath>
#include <vector>
#include <stdexcept>

namespace host {

spool::spool(int channels) : channel_count(channels) {
    if (channels < 1) throw std::runtime_error("spool: no channels");
    file = std::tmpfile();
    if (!file) throw std::runtime_error("cannot create a temporary file to normalize in");
}

spool::~spool() {
    if (file) std::fclose(file);
}

void spool::write(const float* const* channels, size_t frames) {
    interleaved.resize(frames * size_t(channel_count));
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channel_count; ++c) {
            float x = channels[c][i];
            interleaved[i * size_t(channel_count) + size_t(c)] = x;
            if (!std::isnan(x)) largest = std::max(largest, std::fabs(double(x)));
        }
    if (std::fwrite(interleaved.data(), sizeof(float), interleaved.size(), file) != interleaved.size())
        throw std::runtime_error("cannot keep the render in a temporary file (disk full?)");
    written += frames;
}

void spool::replay(double gain, const block_sink& sink, int block) {
    if (std::fflush(file) != 0 || std::fseek(file, 0, SEEK_SET) != 0)
        throw std::runtime_error("cannot read the render back from its temporary file");
    std::vector<std::vector<float>> planes(size_t(channel_count), std::vector<float>(size_t(block), 0.0f));
    std::vector<float*> pointers;
    for (auto& p : planes) pointers.push_back(p.data());
    interleaved.resize(size_t(block) * size_t(channel_count));
    for (uint64_t done = 0; done < written;) {
        size_t frames = size_t(std::min<uint64_t>(uint64_t(block), written - done));
        size_t want = frames * size_t(channel_count);
        if (std::fread(interleaved.data(), sizeof(float), want, file) != want)
            throw std::runtime_error("cannot read the render back from its temporary file");
        for (size_t i = 0; i < frames; ++i)
            for (int c = 0; c < channel_count; ++c)
                planes[size_t(c)][i] = float(double(interleaved[i * size_t(channel_count) + size_t(c)]) * gain);
        sink(pointers.data(), int(frames));
        done += frames;
    }
}

double normalize_gain(double peak, double target_dbfs) {
    if (!(peak > 0.0) || !std::isfinite(peak)) return 1.0;
    return std::pow(10.0, target_dbfs / 20.0) / peak;
}

}  // namespace host
