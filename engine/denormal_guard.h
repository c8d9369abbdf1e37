// Denormals cost hundreds of cycles each in decaying filters, envelopes and echo tails:
// flush them to zero (FTZ and DAZ) while the engine renders, and give the caller its own
// mode back afterwards.
#pragma once

#include <xmmintrin.h>

class denormal_guard {
public:
    denormal_guard() : saved(_mm_getcsr()) { _mm_setcsr(saved | 0x8040); }
    ~denormal_guard() { _mm_setcsr(saved); }
    denormal_guard(const denormal_guard&) = delete;
    denormal_guard& operator=(const denormal_guard&) = delete;

private:
    unsigned saved;
};
