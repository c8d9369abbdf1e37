#include "editor/ctext.h"

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"

using namespace VSTGUI;

CText::CText(const CRect& r, const char* t, bool transparent_flag) : CParamDisplay(r), text(t ? t : "") {
    setTransparency(transparent_flag);
    setTextRect(r);
    setDirty(true);
}

void CText::setText(const char* t) {
    text = t ? t : "";
    setDirty(true);
}

void CText::draw(CDrawContext* context) {
    // A picture is always drawn (keyed when transparent, as every panel is); without one
    // a transparent label shows its text only.
    if (background) {
        copyBackground(context);
    } else if (!transparent) {
        context->setFillColor(backColor);
        context->fillRect(customTextRect);
        context->setFrameColor(fontColor);
        context->drawRect(customTextRect);
    }
    if (!text.empty()) {
        context->setFont(fontID, 0, txtFace);
        context->setFontColor(fontColor);
        context->drawString(text.c_str(), customTextRect, false, kCenterText);
    }
    dirty = false;
}

bool CText::onDrop(void**, long, long, CPoint&) { return true; }
