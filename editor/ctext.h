// A static label: its text centred in its rectangle, over its background picture. The
// panels of the pages are CTexts with empty text and a picture. Drops on it are taken and
// ignored, so a file dropped on a label does nothing.
#pragma once

#include <string>

#include "toolkit/cparamdisplay.h"

class CText : public VSTGUI::CParamDisplay {
public:
    CText(const VSTGUI::CRect& size, const char* text, bool transparent);

    void setText(const char* text);
    const std::string& getText() const { return text; }

    void draw(VSTGUI::CDrawContext* context) override;
    bool onDrop(void** items, long count, long type, VSTGUI::CPoint& where) override;

private:
    std::string text;
};
