// A view that shows one value and reports the user's changes to its listener.
#pragma once

#include "toolkit/cview.h"

namespace VSTGUI {
class CControl;
}

// Implemented by the editor: told whenever the user changes a control.
class CControlListener {
public:
    virtual ~CControlListener() = default;
    virtual void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) = 0;
};

namespace VSTGUI {

// Style bits shared by the controls.
enum CControlStyle : long {
    kHorizontal = 1 << 0,
    kVertical = 1 << 1,
    kLeft = 1 << 2,
    kRight = 1 << 3,
    kTop = 1 << 4,
    kBottom = 1 << 5,
    kShadowText = 1 << 6,
    k3DIn = 1 << 7,
    k3DOut = 1 << 8,
    kPopupStyle = 1 << 9,
    kCheckStyle = 1 << 10,
    kNoTextStyle = 1 << 11,
    kNoDrawStyle = 1 << 12,
    kNoFrame = 1 << 13,
};

class CControl : public CView {
public:
    CControl(const CRect& size, CControlListener* listener = nullptr, long tag = 0,
             CBitmap* background = nullptr);

    void draw(CDrawContext* context) override = 0;
    // True when the value moved since the last look (which then counts as seen) or the
    // view was marked.
    bool isDirty() override;
    void setDirty(bool dirty = true) override;

    virtual void doIdleStuff();
    virtual void setValue(float v) { value = v; }
    virtual float getValue() const { return value; }
    virtual void setMin(float v) { vmin = v; }
    virtual float getMin() const { return vmin; }
    virtual void setMax(float v) { vmax = v; }
    virtual float getMax() const { return vmax; }
    virtual void setOldValue(float v) { oldValue = v; }
    virtual float getOldValue() const { return oldValue; }
    virtual void setDefaultValue(float v) { defaultValue = v; }
    virtual float getDefaultValue() const { return defaultValue; }
    virtual void setTag(long t) { tag = t; }
    virtual long getTag() const { return tag; }
    // Clamps the value to [min, max].
    virtual void bounceValue();
    virtual void setBackOffset(const CPoint& p) {
        backOffset = p;
        setDirty(true);
    }
    virtual const CPoint& getBackOffset() const { return backOffset; }
    virtual void setWheelInc(float v) { wheelInc = v; }
    virtual float getWheelInc() const { return wheelInc; }
    // Draws the background picture (keyed-transparent when the control is transparent).
    virtual void copyBackground(CDrawContext* context);

    CControlListener* getListener() const { return listener; }
    void setListener(CControlListener* l) { listener = l; }
    // A Control-click (the button word is exactly left + Control) sets the default value
    // and tells the listener; true when it was one.
    bool checkDefaultValue(CDrawContext* context, long buttons);

protected:
    // Tells the listener (if any) that the value changed.
    void notify(CDrawContext* context);
    void beginEdit();
    void endEdit();
    float normalised() const;  // value as 0..1 of [min, max]
    // One wheel notch moves the value by wheelInc of its range (divided by zoom with
    // Shift held), as one edit gesture.
    bool wheel_edit(CDrawContext* context, float distance, float zoom);

    CControlListener* listener;
    long tag;
    float value = 0.0f;
    float oldValue = 1.0f;
    float vmin = 0.0f;
    float vmax = 1.0f;
    float defaultValue = 0.5f;
    float wheelInc = 0.1f;
    long double_click_ms;  // the platform's double-click time
};

}  // namespace VSTGUI
