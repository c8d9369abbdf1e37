// WAV files from any bytes: the header parses or fails, the frame count never
// exceeds what the file holds, and every frame reads and analyses.
#include <cstdint>
#include <cstdlib>

#include "engine/wav_reader.h"
#include "engine/pitch_analysis.h"
#include "fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wav_reader r(fuzz::as_file(data, size, "sample"));
    if (r.parse_failed()) return 0;
    if (r.frame_count() < 0 || int64_t(r.frame_count()) * r.bytes_per_sample() * r.channel_count() > int64_t(size))
        std::abort();
    sample_data s = sample_from_reader(r);
    analyze_pitch(s);
    return 0;
}
