// What the factory programs will weigh in the bank file, before the sound data code has
// analysed them: sample values are exact, the analysis lists are estimated from the
// samples (one period entry per smallest analysis block, one pitch mark per upward zero
// crossing).
#pragma once

#include <cstddef>
#include <vector>

#include "tools/factory/factory_program.h"

namespace factory {

struct size_estimate {
    size_t sample_bytes = 0;    // 4 bytes per sample value
    size_t analysis_bytes = 0;  // period map and pitch marks
    size_t record_bytes = 0;    // whole program records
};

size_t upward_zero_crossings(const audio& a);
size_estimate estimate_program(const factory_program& p);
// The bank file: header, table of contents and every record.
size_t estimate_bank_bytes(const std::vector<factory_program>& programs);

}  // namespace factory
