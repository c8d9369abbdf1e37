// The built-in single-cycle tables that oscillators and LFOs read: rows 8 to 15 of the
// wave table set (rows 0 to 7 are the recorded sample sets, which live in the program).
// Built once per process on first use and shared read-only by every instance.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

struct wave_table {
    const double* data = nullptr;
    int length = 0;
    explicit operator bool() const { return data != nullptr && length > 0; }
};

class wave_table_set {
public:
    enum row_id : int {
        saw = 8,
        square = 9,
        triangle = 10,
        sine = 11,
        pulse = 12,         // "UpSqu" for LFOs: 0 then +0.5
        random = 13,        // "S&H" for LFOs
        naive_saw = 14,     // rising ramp
        naive_square = 15,
    };
    static constexpr int first_row = 8;
    static constexpr int last_row = 15;
    static constexpr int levels = 10;
    static constexpr int band_limited_length = 8192;

    static const wave_table_set& shared();

    // The table of row for a cycle of `period` steps (output samples for oscillators,
    // control ticks for LFOs): rows 8..10 take the richest level whose harmonics all stay
    // below half the step rate, row 11 has one table, rows 12..15 always use level 9.
    // Rows outside 8..15 give an empty table.
    wave_table get(int row, double period) const;
    // One level of a row directly (level kept in 0..9; row 11 has only level 0).
    wave_table level(int row, int level) const;

    // The level rule of rows 8..10: the highest L in 9..0 with period > 2^(L+1), else 0.
    static int level_for_period(double period);

    // The project's own pseudo-random generator for the S&H row: 0..32767, fixed seed.
    struct random15 {
        uint32_t state = 0x4B617665u;
        int next();
    };

    // A separate copy, for measuring the build; everything else uses shared().
    wave_table_set();

private:
    std::array<std::array<std::vector<double>, levels>, last_row - first_row + 1> rows;
};
