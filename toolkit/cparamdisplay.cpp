#include "toolkit/cparamdisplay.h"

#include <cstdio>

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"

namespace VSTGUI {

CParamDisplay::CParamDisplay(const CRect& r, CBitmap* bitmap, long st) : CControl(r, nullptr, 0, bitmap), style(st) {}

void CParamDisplay::setFont(CFont f) {
    fontID = f;
    setDirty(true);
}

void CParamDisplay::setFontColor(const CColor& c) {
    if (!(c == fontColor)) setDirty(true);
    fontColor = c;
}

void CParamDisplay::setBackColor(const CColor& c) {
    if (!(c == backColor)) setDirty(true);
    backColor = c;
}

void CParamDisplay::setFrameColor(const CColor& c) {
    if (!(c == frameColor)) setDirty(true);
    frameColor = c;
}

void CParamDisplay::setShadowColor(const CColor& c) {
    if (!(c == shadowColor)) setDirty(true);
    shadowColor = c;
}

void CParamDisplay::setHoriAlign(CHoriTxtAlign a) {
    horiTxtAlign = a;
    setDirty(true);
}

void CParamDisplay::setStringConvert(CParamDisplayConvert c, void*) {
    convert = c;
    convertUser = nullptr;
    setDirty(true);
}

void CParamDisplay::setStringConvert(CParamDisplayConvertUser c, void* user) {
    convertUser = c;
    userData = user;
    convert = nullptr;
    setDirty(true);
}

void CParamDisplay::setTxtFace(long face) {
    txtFace = face;
    setDirty(true);
}

void CParamDisplay::setStyle(long s) {
    if (s != style) setDirty(true);
    style = s;
}

void CParamDisplay::setTextRect(const CRect& r) {
    customTextRect = r;
    hasTextRect = true;
    setDirty(true);
}

void CParamDisplay::getDisplayText(char* text, size_t capacity) const {
    if (!text || capacity == 0) return;
    text[0] = '\0';
    if (convertUser)
        convertUser(value, text, capacity, userData);
    else if (convert)
        convert(value, text, capacity);
    else
        std::snprintf(text, capacity, "%2.2f", double(value));
    text[capacity - 1] = '\0';
}

void CParamDisplay::draw(CDrawContext* context) {
    char text[text_capacity];
    getDisplayText(text, sizeof text);
    drawText(context, text);
    dirty = false;
}

void CParamDisplay::drawText(CDrawContext* context, const char* text) {
    if (style & kNoDrawStyle) return;
    if (background) {
        if (transparent)
            background->drawTransparent(context, size, backOffset);
        else
            background->draw(context, size, backOffset);
    } else if (!transparent) {
        context->setFillColor(backColor);
        context->fillRect(size);
        if (style & (k3DIn | k3DOut)) {
            // A bevel: the lit edges top and left for a raised box, bottom and right for
            // a sunken one.
            CColor lit = (style & k3DIn) ? shadowColor : frameColor;
            CColor dark = (style & k3DIn) ? frameColor : shadowColor;
            CPoint tl(size.left, size.top), tr(size.right - 1, size.top);
            CPoint bl(size.left, size.bottom - 1), br(size.right - 1, size.bottom - 1);
            context->setLineWidth(1);
            context->setFrameColor(lit);
            context->drawLine(bl, tl);
            context->drawLine(tl, tr);
            context->setFrameColor(dark);
            context->drawLine(tr, br);
            context->drawLine(br, bl);
        } else if (!(style & kNoFrame)) {
            context->setFrameColor(frameColor);
            context->drawRect(size);
        }
    }
    if ((style & kNoTextStyle) || !text || !*text) return;
    context->setFont(fontID, 0, txtFace);
    CRect r = textRect();
    if (style & kShadowText) {
        CRect shadow = r;
        shadow.offset(1, 1);
        context->setFontColor(shadowColor);
        context->drawString(text, shadow, false, horiTxtAlign);
    }
    context->setFontColor(fontColor);
    context->setFillColor(backColor);
    context->drawString(text, r, !textTransparent, horiTxtAlign);
}

}  // namespace VSTGUI
