#include "engine/autocorrelation.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <map>
#include <mutex>
#include <new>

namespace {

struct plan_pair {
    fftw_plan forward = nullptr;   // real -> half spectrum
    fftw_plan backward = nullptr;  // half spectrum -> real (unscaled)
};

// Plans live for the process (never destroyed, so no exit-time ordering matters). FFTW's
// planner is not reentrant, and other plug-ins in the same host may use the same library,
// so its own planner lock is switched on as well.
const plan_pair& plans_for(int64_t n) {
    static std::mutex lock;
    static auto* plans = new std::map<int64_t, plan_pair>;
    static const bool planner_locked = [] {
        fftw_make_planner_thread_safe();
        return true;
    }();
    (void)planner_locked;
    std::lock_guard<std::mutex> guard(lock);
    auto it = plans->find(n);
    if (it != plans->end()) return it->second;
    double* re = fftw_alloc_real(size_t(n));
    fftw_complex* sp = fftw_alloc_complex(size_t(n / 2 + 1));
    if (!re || !sp) {
        fftw_free(re);
        fftw_free(sp);
        throw std::bad_alloc();
    }
    plan_pair p;
    p.forward = fftw_plan_dft_r2c_1d(int(n), re, sp, FFTW_ESTIMATE);
    p.backward = fftw_plan_dft_c2r_1d(int(n), sp, re, FFTW_ESTIMATE);
    fftw_free(re);
    fftw_free(sp);
    if (!p.forward || !p.backward) throw std::bad_alloc();
    return plans->emplace(n, p).first->second;
}

}  // namespace

autocorrelator::~autocorrelator() {
    fftw_free(a);
    fftw_free(b);
    fftw_free(spectrum_a);
    fftw_free(spectrum_b);
}

int64_t autocorrelator::fft_size(int64_t n) {
    int64_t best = 1;
    while (best < n) best <<= 1;
    // Small odd factors keep the transform close to n; FFTW is as quick per point on these.
    for (int64_t odd : {3, 5, 9, 15, 25, 45, 75})
        for (int64_t m = odd; m < best; m <<= 1)
            if (m >= n) {
                best = m;
                break;
            }
    return best;
}

void autocorrelator::reserve(int64_t n) {
    if (n <= capacity) return;
    fftw_free(a);
    fftw_free(b);
    fftw_free(spectrum_a);
    fftw_free(spectrum_b);
    a = fftw_alloc_real(size_t(n));
    b = fftw_alloc_real(size_t(n));
    spectrum_a = fftw_alloc_complex(size_t(n / 2 + 1));
    spectrum_b = fftw_alloc_complex(size_t(n / 2 + 1));
    capacity = n;
    if (!a || !b || !spectrum_a || !spectrum_b) {
        capacity = 0;
        throw std::bad_alloc();
    }
}

double autocorrelator::energy(const double* x, int64_t len, int64_t avail) {
    double sum = 0.0;
    for (int64_t i = 0, end = std::min(len, avail); i < end; ++i) sum += x[i] * x[i];
    return sum;
}

void autocorrelator::direct(const double* x, int64_t len, int64_t avail, int64_t k0, int64_t k1,
                            double* out) {
    for (int64_t k = k0; k < k1; ++k) {
        double sum = 0.0;
        for (int64_t i = 0, end = std::min(len, avail - k); i < end; ++i) sum += x[i] * x[i + k];
        out[k - k0] = sum;
    }
}

void autocorrelator::by_fft(const double* x, int64_t len, int64_t avail, int64_t k0, int64_t k1,
                            double* out) {
    // Correlate a = x[0, len) with b = x[k0, k0 + len + lags - 1): no product wraps around
    // when the transform holds len + lags - 1 points.
    int64_t count = k1 - k0;
    int64_t n = fft_size(len + count - 1);
    reserve(n);
    const plan_pair& plans = plans_for(n);

    int64_t a_valid = std::clamp<int64_t>(std::min(len, avail), 0, n);
    std::copy(x, x + a_valid, a);
    std::fill(a + a_valid, a + n, 0.0);
    int64_t b_valid = std::clamp<int64_t>(std::min(len + count - 1, avail - k0), 0, n);
    std::copy(x + k0, x + k0 + b_valid, b);
    std::fill(b + b_valid, b + n, 0.0);

    auto* sa = static_cast<fftw_complex*>(spectrum_a);
    auto* sb = static_cast<fftw_complex*>(spectrum_b);
    fftw_execute_dft_r2c(plans.forward, a, sa);
    fftw_execute_dft_r2c(plans.forward, b, sb);
    for (int64_t f = 0; f <= n / 2; ++f) {
        // conj(A)·B
        double re = sa[f][0] * sb[f][0] + sa[f][1] * sb[f][1];
        double im = sa[f][0] * sb[f][1] - sa[f][1] * sb[f][0];
        sa[f][0] = re;
        sa[f][1] = im;
    }
    fftw_execute_dft_c2r(plans.backward, sa, a);
    double scale = 1.0 / double(n);
    for (int64_t d = 0; d < count; ++d) out[d] = a[d] * scale;
}

void autocorrelator::lags(const double* x, int64_t len, int64_t avail, int64_t k0, int64_t k1,
                          double* out, method how) {
    if (k1 <= k0) return;
    if (len <= 0 || k0 >= avail) {
        std::fill(out, out + (k1 - k0), 0.0);
        return;
    }
    if (how == method::automatic) {
        // A direct sum costs len multiplies per lag; the transforms about three
        // n·log2(n) passes.
        int64_t n = fft_size(len + (k1 - k0) - 1);
        double fft_cost = 3.0 * double(n) * std::log2(double(n));
        how = double(len) * double(k1 - k0) <= fft_cost ? method::direct : method::fft;
    }
    if (how == method::direct)
        direct(x, len, avail, k0, k1, out);
    else
        by_fft(x, len, avail, k0, k1, out);
}
