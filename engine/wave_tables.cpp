#include "engine/wave_tables.h"

#include <cmath>
#include <complex>
#include <numbers>

#include "engine/fft.h"

namespace {

constexpr double pi = std::numbers::pi;
constexpr int N = wave_table_set::band_limited_length;

// sum over k of coef[k]·sin(2π·k·j/N) for j = 0..N-1: the imaginary part of an inverse
// DFT whose bins hold the coefficients. Hundreds of harmonics per level make the direct
// sum far too slow for start-up; the transform gives the same values to about 1e-15.
std::vector<double> sine_series(const std::vector<double>& coef) {
    std::vector<std::complex<double>> bins(N);
    for (size_t k = 1; k < coef.size() && k < size_t(N / 2); ++k) bins[k] = coef[k];
    fft::transform(bins, +1);
    std::vector<double> out(N);
    for (int j = 0; j < N; ++j) out[size_t(j)] = bins[size_t(j)].imag();
    return out;
}

double sinc(double u) { return u == 0.0 ? 1.0 : std::sin(pi * u) / (pi * u); }

}  // namespace

int wave_table_set::random15::next() {
    // xorshift32, 15 bits out: the same sequence on every machine and run.
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return int(state >> 17);
}

const wave_table_set& wave_table_set::shared() {
    static const wave_table_set s;
    return s;
}

wave_table_set::wave_table_set() {
    auto& saw_rows = rows[saw - first_row];
    auto& square_rows = rows[square - first_row];
    auto& tri_rows = rows[triangle - first_row];
    for (int L = 0; L < levels; ++L) {
        // Saw: harmonics 1 .. 2^L − 1, each tapered by sinc(k / 2^L) against ringing.
        const int top = 1 << L;
        std::vector<double> coef(size_t(top), 0.0);
        for (int k = 1; k < top; ++k) coef[size_t(k)] = sinc(double(k) / top) / (pi * k);
        saw_rows[size_t(L)] = L == 0 ? std::vector<double>(N, 0.0) : sine_series(coef);

        std::vector<double>& sq = square_rows[size_t(L)];
        sq.resize(N);
        const std::vector<double>& sw = saw_rows[size_t(L)];
        for (int j = 0; j < N; ++j) sq[size_t(j)] = sw[size_t(j)] - sw[size_t((j + N / 2) % N)];

        // Triangle: odd harmonics below max(2, 2^L) with alternating signs.
        const int limit = top > 2 ? top : 2;
        std::vector<double> tc(size_t(limit), 0.0);
        for (int k = 1; k < limit; k += 2)
            tc[size_t(k)] = (((k - 1) / 2) % 2 == 0 ? 1.0 : -1.0) * 4.0 / (pi * pi * k * k);
        tri_rows[size_t(L)] = sine_series(tc);
    }

    std::vector<double>& sn = rows[sine - first_row][0];
    sn.resize(N);
    for (int j = 0; j < N; ++j) sn[size_t(j)] = 0.5 * std::sin(2.0 * pi * j / N);

    random15 rng;
    for (int L = 0; L < levels; ++L) {
        const int n = 4 << L;
        auto& p = rows[pulse - first_row][size_t(L)];
        auto& r = rows[random - first_row][size_t(L)];
        auto& ns = rows[naive_saw - first_row][size_t(L)];
        auto& nq = rows[naive_square - first_row][size_t(L)];
        p.resize(size_t(n));
        r.resize(size_t(n));
        ns.resize(size_t(n));
        nq.resize(size_t(n));
        for (int j = 0; j < n; ++j) {
            bool first_half = j < n / 2 + 1;
            p[size_t(j)] = first_half ? 0.0 : 0.5;
            r[size_t(j)] = double(rng.next()) / 32767.0 - 0.5;
            ns[size_t(j)] = double(j) / n - 0.5;
            nq[size_t(j)] = first_half ? -0.5 : 0.5;
        }
    }
}

int wave_table_set::level_for_period(double period) {
    for (int L = levels - 1; L > 0; --L)
        if (period > double(2 << L)) return L;
    return 0;
}

wave_table wave_table_set::level(int row, int lv) const {
    if (row < first_row || row > last_row) return {};
    if (row == sine) lv = 0;
    lv = lv < 0 ? 0 : lv >= levels ? levels - 1 : lv;
    const std::vector<double>& t = rows[size_t(row - first_row)][size_t(lv)];
    return {t.data(), int(t.size())};
}

wave_table wave_table_set::get(int row, double period) const {
    if (row >= saw && row <= triangle) return level(row, level_for_period(period));
    return level(row, levels - 1);
}
