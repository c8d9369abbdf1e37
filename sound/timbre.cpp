#include "sound/timbre.h"

timbre::timbre() {
    for (int i = 0; i < count; ++i) set_value(i, fresh_value(i));
}

timbre::timbre(const timbre& other) { *this = other; }

timbre& timbre::operator=(const timbre& other) {
    if (this != &other)
        for (int i = 0; i < count; ++i) set_value(i, other.value(i));
    return *this;
}

void timbre::reset_to_initial() {
    for (int i = 0; i < count; ++i) set_value(i, param_info(i).initial);
}

bool timbre::operator==(const timbre& other) const {
    for (int i = 0; i < count; ++i)
        if (value(i) != other.value(i)) return false;
    return true;
}
