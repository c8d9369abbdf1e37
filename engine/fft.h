// A small in-place radix-2 complex FFT, used to build the band-limited wave tables (and by
// the tests to look at spectra). Not on the audio path.
#pragma once

#include <complex>
#include <vector>

namespace fft {

// Transforms data (size a power of two) in place. sign -1 is the forward transform
// sum x[j]·e^(-2πi·jk/N); sign +1 the inverse without the 1/N factor.
void transform(std::vector<std::complex<double>>& data, int sign);

}  // namespace fft
