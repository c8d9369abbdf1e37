// The factory bank's records, made from the factory program definitions through the sound
// data code: each slot's generated values become a sample_data with the pitch analysis
// every imported sample gets, and every program is kept as the factory bank has always
// kept them, a version 0x300 record with 83 parameter values, which the program reader
// loads through its old conversions.
#pragma once

#include <cstdint>
#include <vector>

#include "sound/program.h"
#include "sound/serializer.h"
#include "tools/factory/factory_program.h"
#include "tools/factory/factory_values.h"

namespace factory {

inline constexpr int32_t factory_record_version = 0x300;
inline constexpr int factory_program_count = 128;

struct factory_record {
    program prog;          // what the plug-in reads back from the record
    stored_values stored;  // the 83 values the record keeps
};

// One program as a record. Throws std::invalid_argument when the definition cannot be
// stored (a set too large for a waveform, values the stored form would change).
factory_record make_factory_record(const factory_program& p);

// Every program in bank order. Each distinct sample is analysed once, on up to `threads`
// threads, and its analysis shared by every slot that plays it.
std::vector<factory_record> make_factory_records(const std::vector<factory_program>& programs,
                                                 int threads);

// The record: long 0x300, name, wavetable (current layout), long 83, the 83 values.
void write_factory_record(serializer& out, const factory_record& r);
int64_t factory_record_size(const factory_record& r);

// The bank file: long 0xBABA0002, the program count, the table of contents (name, record
// length) and the records.
void write_factory_bank(serializer& out, const std::vector<factory_record>& records);
// The same bytes in memory.
std::vector<unsigned char> factory_bank_bytes(const std::vector<factory_record>& records);

}  // namespace factory
