#include "toolkit/cfont.h"

#include <array>
#include <cstddef>

namespace VSTGUI {

const font_slot& font_slot_for(int font) {
    // fontconfig maps "Arial" to a metric-compatible face (Liberation Sans) where Arial
    // itself is missing.
    static const std::array<font_slot, kNumStandardFonts> slots{{
        {"Arial", 12, true},
        {"Arial", 18, false},
        {"Arial", 14, false},
        {"Arial", 12, false},
        {"Arial", 11, false},
        {"Arial", 10, false},
        {"Arial", 9, false},
        {"Symbol", 13, false},
    }};
    if (font < 0 || font >= kNumStandardFonts) font = 0;
    return slots[size_t(font)];
}

}  // namespace VSTGUI
