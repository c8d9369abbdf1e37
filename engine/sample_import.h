// Importing a sample file, as the sample page and kaveo-bank both do it: the WAV reader,
// else the AIFF reader; the first channel; refused when it holds nothing usable or more
// than a program record can store; then the pitch analysis. Nothing here touches a
// program or the editor, so it runs on any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>

#include "engine/pitch_analysis.h"
#include "sound/program.h"
#include "sound/sample_data.h"

namespace sample_import {

enum class outcome {
    imported,
    not_recognized,     // neither a WAV nor an AIFF file
    unsupported_width,  // a WAV or AIFF whose samples the readers do not decode
    no_frames,
    too_long,  // more than a program record can hold
    cancelled,
    failed,  // anything else (out of memory, a read that threw)
};

// What the user is told; empty for imported and cancelled.
const char* message(outcome o);

// A program record's length is a long: no record may be longer.
inline constexpr int64_t max_record_bytes = INT32_MAX;

// Bytes one slot (sample and name) takes in a program record.
int64_t slot_record_bytes(const sample_data& sample, const std::string& name);
// Bytes p's record would take with sample and name in slot `slot` of set `wave`
// (counted from the layout, without serializing any sample).
int64_t record_bytes_with(const program& p, int wave, int slot, const sample_data& sample,
                          const std::string& name);

// Whether file is a WAV or AIFF file, readable or not (only its header is read).
bool recognizes(const std::filesystem::path& file);

// Reads the file's first channel into sample (rate and frames from the file, no analysis
// yet). A sample that could never fit a program record is refused before anything is
// read.
outcome read_file(const std::filesystem::path& file, sample_data& sample);

// The pitch analysis of a sample read by read_file. progress gets the fraction done (see
// analyze_pitch); stop, when given, is looked at after every 60 ms of the sample, and a
// set flag ends the analysis with cancelled.
outcome analyse(sample_data& sample, const progress_sink& progress = {},
                const std::atomic<bool>* stop = nullptr);

// read_file, then analyse.
outcome import_file(const std::filesystem::path& file, sample_data& sample);

}  // namespace sample_import
