// The one failure type of loading and storing sound data. It carries only its message
// text ("get_long failed", "buffer full", ...); entry points catch it, restore what they
// kept and report failure.
#pragma once

#include <stdexcept>

class persist_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
