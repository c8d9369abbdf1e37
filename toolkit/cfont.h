// The eight font slots the editor picks fonts by.
#pragma once

namespace VSTGUI {

enum CFont {
    kSystemFont = 0,          // "Arial" 12, always bold
    kNormalFontVeryBig = 1,   // "Arial" 18
    kNormalFontBig = 2,       // "Arial" 14
    kNormalFont = 3,          // "Arial" 12
    kNormalFontSmall = 4,     // "Arial" 11
    kNormalFontSmaller = 5,   // "Arial" 10
    kNormalFontVerySmall = 6, // "Arial" 9
    kSymbolFont = 7,          // "Symbol" 13
    kNumStandardFonts = 8
};

// Style bits of a font request.
enum CTxtFace { kNormalFace = 0, kBoldFace = 1, kItalicFace = 2, kUnderlineFace = 4 };

struct font_slot {
    const char* face;
    int size_px;  // character (em) height
    bool always_bold;
};

// The slot for a font number; numbers outside 0..7 select slot 0.
const font_slot& font_slot_for(int font);

}  // namespace VSTGUI
