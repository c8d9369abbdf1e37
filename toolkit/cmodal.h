// Modal boxes drawn by the toolkit over the editor: a message box with an OK button and a
// prompt with a one-line text field, OK and Cancel. While one is open it takes every
// click and key; the keyboard is grabbed so text reaches it even when the host keeps the
// focus. Both return at once; the callbacks run when the box closes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "toolkit/cview.h"
#include "toolkit/text_editing.h"

namespace VSTGUI {

class CModalBox : public CView {
public:
    ~CModalBox() override;
    void draw(CDrawContext* context) override;
    CMouseResult mouse(CDrawContext* context, CPoint& where) override;
    void mouseMoved(CDrawContext* context, CPoint& where) override;
    void mouseUp(CDrawContext* context, CPoint& where) override;
    long onKeyDown(const CKeyCode& key) override;
    bool attached(CView* parent) override;

    // The box's buttons in frame coordinates, left to right.
    const std::vector<CRect>& buttonRects() const { return buttons; }
    // Presses button i as a click would (0 is OK).
    void press(size_t i);
    const std::string& getCaption() const { return caption; }
    const std::vector<std::string>& getLines() const { return lines; }

protected:
    CModalBox(const CRect& frame_area, std::string caption, std::string text,
              std::vector<std::string> labels, bool with_field);
    virtual void pressed(size_t button) = 0;
    virtual long key(const CKeyCode& key);
    void close();

    std::string caption;
    std::vector<std::string> lines;  // the text, wrapped
    std::vector<std::string> labels;
    std::vector<CRect> buttons;
    CRect field;  // empty without a text field
    text_editing editing;
    long armed = -1;  // the button pressed and not yet released
    bool lit = false;
    bool closed = false;
    CFrame* grabbed = nullptr;
};

class CMessageBox : public CModalBox {
public:
    CMessageBox(const CRect& frame_area, const std::string& caption, const std::string& text,
                std::function<void()> on_close);

private:
    void pressed(size_t button) override;
    std::function<void()> on_close;
};

// A question with OK and Cancel; Return answers OK, Escape Cancel.
class CQuestionBox : public CModalBox {
public:
    CQuestionBox(const CRect& frame_area, const std::string& caption, const std::string& text,
                 std::function<void(bool ok)> on_close);

private:
    void pressed(size_t button) override;
    long key(const CKeyCode& key) override;
    std::function<void(bool)> on_close;
};

class CPromptDialog : public CModalBox {
public:
    CPromptDialog(const CRect& frame_area, const std::string& caption, const std::string& prompt,
                  const std::string& initial, size_t max_bytes,
                  std::function<void(const std::string&)> on_change,
                  std::function<void(bool ok, const std::string& text)> on_close);
    const std::string& text() const { return editing.text; }

private:
    void pressed(size_t button) override;
    long key(const CKeyCode& key) override;
    std::function<void(const std::string&)> on_change;
    std::function<void(bool, const std::string&)> on_close;
};

// Shows a message box over the frame. Without an open frame the message goes to the
// standard error stream, so it is never lost silently.
void showMessageBox(CFrame* frame, const std::string& caption, const std::string& text,
                    std::function<void()> on_close = {});
// Asks an OK/Cancel question. Without an open frame nobody can answer: the answer is
// Cancel, and the question goes to the standard error stream.
void showQuestionBox(CFrame* frame, const std::string& caption, const std::string& text,
                     std::function<void(bool ok)> on_close);
// Shows a prompt; on_close gets (true, text) for OK and (false, text) for Cancel.
void showPromptDialog(CFrame* frame, const std::string& caption, const std::string& prompt,
                      const std::string& initial, size_t max_bytes,
                      std::function<void(const std::string&)> on_change,
                      std::function<void(bool ok, const std::string& text)> on_close);

}  // namespace VSTGUI
