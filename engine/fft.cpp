#include "engine/fft.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace fft {

void transform(std::vector<std::complex<double>>& a, int sign) {
    const size_t n = a.size();
    if (n < 2 || (n & (n - 1)) != 0) return;
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    // Twiddles straight from sin/cos rather than by repeated multiplication, so the error
    // stays near one rounding per butterfly level.
    std::vector<std::complex<double>> w(n / 2);
    for (size_t k = 0; k < n / 2; ++k) {
        double t = 2.0 * std::numbers::pi * double(k) / double(n);
        w[k] = {std::cos(t), double(sign) * std::sin(t)};
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        size_t stride = n / len;
        for (size_t i = 0; i < n; i += len)
            for (size_t k = 0; k < len / 2; ++k) {
                std::complex<double> u = a[i + k];
                std::complex<double> v = a[i + k + len / 2] * w[k * stride];
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
    }
}

}  // namespace fft
