// The state of a one-line text being typed: UTF-8 text, a caret, and "everything
// selected" (the state a field opens in, so typing replaces the old text).
#pragma once

#include <cstddef>
#include <string>

#include "toolkit/cgeometry.h"

namespace VSTGUI {

class CDrawContext;

struct text_editing {
    enum outcome { ignored, changed, moved, commit, cancel };

    std::string text;
    size_t caret = 0;  // byte offset, on a character boundary
    bool all_selected = true;
    size_t max_bytes = 255;

    void reset(const std::string& t, size_t max);
    outcome key(const CKeyCode& k);
    // Caret to the character nearest x pixels from the text's start.
    void caret_to(CDrawContext* context, long x);
    // Draws the field: box, text (scrolled so the caret shows), selection and caret.
    void draw(CDrawContext* context, const CRect& box, const CColor& text_colour, const CColor& back,
              const CColor& frame, const CColor& highlight) const;

private:
    void insert(int32_t code_point);
    size_t previous(size_t at) const;
    size_t next(size_t at) const;
};

}  // namespace VSTGUI
