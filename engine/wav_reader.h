// RIFF WAVE files: 8-, 16-, 24- and 32-bit integer PCM and 32-bit IEEE float, any
// number of channels (the first is kept), plain or WAVE_FORMAT_EXTENSIBLE headers.
#pragma once

#include "engine/sample_reader.h"

class wav_reader : public sample_reader {
public:
    explicit wav_reader(const std::filesystem::path& path);

protected:
    float decode(const unsigned char* sample) const override;

private:
    void parse();
};
