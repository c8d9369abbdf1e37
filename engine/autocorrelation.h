// Lagged products of one stretch of a signal: r(k) = sum over i < len of x[i]·x[i+k],
// where x holds `avail` valid values and everything past them counts as 0. Long lag
// ranges go through real FFTs (FFTW), short ones are summed directly; both give r to
// rounding error.
#pragma once

#include <cstdint>
#include <vector>

class autocorrelator {
public:
    enum class method { automatic, direct, fft };

    autocorrelator() = default;
    ~autocorrelator();
    autocorrelator(const autocorrelator&) = delete;
    autocorrelator& operator=(const autocorrelator&) = delete;

    // r(k) for k0 <= k < k1 into out[0 .. k1-k0).
    void lags(const double* x, int64_t len, int64_t avail, int64_t k0, int64_t k1, double* out,
              method how = method::automatic);

    // r(0), summed directly.
    static double energy(const double* x, int64_t len, int64_t avail);

    // The FFT length used for a correlation needing n points: the smallest m·2^a that
    // holds them, m one of 1, 3, 5, 9, 15, 25, 45, 75 (a bounded set of sizes, each
    // planned once per process).
    static int64_t fft_size(int64_t n);

private:
    void direct(const double* x, int64_t len, int64_t avail, int64_t k0, int64_t k1, double* out);
    void by_fft(const double* x, int64_t len, int64_t avail, int64_t k0, int64_t k1, double* out);
    void reserve(int64_t n);

    // Work arrays from fftw_malloc, so every plan may run on them.
    double* a = nullptr;
    double* b = nullptr;
    void* spectrum_a = nullptr;
    void* spectrum_b = nullptr;
    int64_t capacity = 0;
};
