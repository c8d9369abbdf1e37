// The inline edit box: a one-line field shown over a control while the user types.
// Return, Tab or a click elsewhere hands the text to on_commit; Escape to on_cancel.
// The keyboard is grabbed while it is open.
#pragma once

#include <functional>
#include <string>

#include "toolkit/cfont.h"
#include "toolkit/cview.h"
#include "toolkit/text_editing.h"

namespace VSTGUI {

class CEditField : public CView {
public:
    struct look {
        CFont font = kNormalFont;
        CColor text = kBlackCColor;
        CColor back = kWhiteCColor;
        CColor frame = kBlackCColor;
        CColor highlight = CColor{47, 69, 130, 0};
    };

    // r in frame coordinates.
    CEditField(const CRect& r, const std::string& text, size_t max_bytes, const look& appearance,
               std::function<void(const std::string&)> on_commit, std::function<void()> on_cancel = {});
    ~CEditField() override;

    void draw(CDrawContext* context) override;
    CMouseResult mouse(CDrawContext* context, CPoint& where) override;
    long onKeyDown(const CKeyCode& key) override;
    bool attached(CView* parent) override;

    // Ends editing as Return would; safe to call more than once.
    void commit();
    void cancel();
    const text_editing& editing() const { return state; }

private:
    void finish();
    text_editing state;
    look appearance;
    std::function<void(const std::string&)> on_commit;
    std::function<void()> on_cancel;
    CFrame* grabbed = nullptr;
    bool done = false;
};

}  // namespace VSTGUI
