// Shows its value as text (through a converter, or "%2.2f") over its background picture
// or a filled, outlined box. Does not react to the mouse.
#pragma once

#include <cstddef>

#include "toolkit/ccontrol.h"
#include "toolkit/cfont.h"

namespace VSTGUI {

// Writes the text for value into text, at most capacity bytes with the terminator.
using CParamDisplayConvert = void (*)(float value, char* text, size_t capacity);
using CParamDisplayConvertUser = void (*)(float value, char* text, size_t capacity, void* user);

class CParamDisplay : public CControl {
public:
    static constexpr size_t text_capacity = 256;

    CParamDisplay(const CRect& size, CBitmap* background = nullptr, long style = 0);

    void draw(CDrawContext* context) override;

    virtual void setFont(CFont font);
    virtual CFont getFont() const { return fontID; }
    virtual void setFontColor(const CColor& c);
    virtual CColor getFontColor() const { return fontColor; }
    virtual void setBackColor(const CColor& c);
    virtual CColor getBackColor() const { return backColor; }
    virtual void setFrameColor(const CColor& c);
    virtual CColor getFrameColor() const { return frameColor; }
    virtual void setShadowColor(const CColor& c);
    virtual CColor getShadowColor() const { return shadowColor; }
    virtual void setHoriAlign(CHoriTxtAlign a);
    virtual void setStringConvert(CParamDisplayConvert convert, void* unused = nullptr);
    virtual void setStringConvert(CParamDisplayConvertUser convert, void* user);
    virtual void setTxtFace(long face);
    virtual void setTextTransparency(bool on) { textTransparent = on; }
    virtual void setStyle(long s);
    virtual long getStyle() const { return style; }
    // Where the text goes (parent's coordinates); the view's own rectangle unless set.
    virtual void setTextRect(const CRect& r);

    // The text drawn for the current value.
    virtual void getDisplayText(char* text, size_t capacity) const;

protected:
    // Background (picture or box) and then the text, as every display draws.
    void drawText(CDrawContext* context, const char* text);
    CRect textRect() const { return hasTextRect ? customTextRect : size; }

    CParamDisplayConvert convert = nullptr;
    CParamDisplayConvertUser convertUser = nullptr;
    void* userData = nullptr;
    CFont fontID = kNormalFont;
    long txtFace = kNormalFace;
    CColor fontColor = kWhiteCColor;
    CColor backColor = kBlackCColor;
    CColor frameColor = kBlackCColor;
    CColor shadowColor = kBlackCColor;
    CHoriTxtAlign horiTxtAlign = kCenterText;
    long style;
    bool textTransparent = true;
    bool hasTextRect = false;
    CRect customTextRect;
};

}  // namespace VSTGUI
