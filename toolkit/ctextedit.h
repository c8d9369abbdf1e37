// A text field: shows its text like a parameter display; a click opens the inline edit
// box over it, and Return or a click elsewhere takes the typed text (at most 255 bytes)
// and tells the listener.
#pragma once

#include <string>

#include "toolkit/cparamdisplay.h"

namespace VSTGUI {

class CEditField;

// Turns typed (or set) text into the text kept and shown.
using CTextEditConvert = void (*)(const char* input, char* output, size_t capacity);

class CTextEdit : public CParamDisplay {
public:
    static constexpr size_t max_text_bytes = 255;

    CTextEdit(const CRect& size, CControlListener* listener, long tag, const char* text = nullptr,
              CBitmap* background = nullptr, long style = 0);
    ~CTextEdit() override;

    virtual void setText(const char* text);
    // Copies the text into text, which holds at least 256 bytes.
    virtual void getText(char* text) const;
    const std::string& getText() const { return text; }
    void setTextEditConvert(CTextEditConvert c);

    void draw(CDrawContext* context) override;
    CMouseResult mouse(CDrawContext* context, CPoint& where) override;
    // Opens the edit box; losing the focus closes it and keeps the text.
    void takeFocus(CDrawContext* context) override;
    void looseFocus(CDrawContext* context) override;
    bool isEditing() const { return editor != nullptr; }

protected:
    // The edit box handed back its text.
    virtual void edited(const std::string& typed);
    std::string converted(const char* input) const;

    std::string text;
    CTextEditConvert editConvert = nullptr;
    CEditField* editor = nullptr;
};

}  // namespace VSTGUI
