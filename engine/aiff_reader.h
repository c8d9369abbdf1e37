// AIFF files (big-endian): integer PCM of 1 to 32 bits, any number of channels (the
// first is kept).
#pragma once

#include "engine/sample_reader.h"

class aiff_reader : public sample_reader {
public:
    explicit aiff_reader(const std::filesystem::path& path);

    // The 80-bit extended sample rate as whole hertz, rounded by the last bit shifted
    // out; 0 when it is negative or not between 1 and 2^31 - 1.
    static int32_t extended_rate(const unsigned char* ten_bytes);

protected:
    float decode(const unsigned char* sample) const override;

private:
    void parse();
};
