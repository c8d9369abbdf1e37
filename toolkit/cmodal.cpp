#include "toolkit/cmodal.h"

#include <cairo.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>

#include "toolkit/cdrawcontext.h"
#include "toolkit/cframe.h"

namespace VSTGUI {

namespace {
constexpr CColor box_back{211, 230, 250, 0};
constexpr CColor box_ink{47, 69, 130, 0};
constexpr CColor box_title_text{255, 255, 255, 0};
constexpr int box_width = 380;
constexpr int title_height = 22;
constexpr int line_height = 16;
constexpr int margin = 12;
constexpr int button_width = 76;
constexpr int button_height = 22;
constexpr int field_height = 22;

long text_width(const std::string& s, CFont font) {
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    long w;
    {
        CDrawContext context(nullptr, scratch);
        context.setFont(font);
        w = context.getStringWidth(s.c_str());
    }
    cairo_surface_destroy(scratch);
    return w;
}

// Splits text into lines no wider than width (at spaces; newlines always break).
std::vector<std::string> wrap(const std::string& text, long width) {
    std::vector<std::string> out;
    std::istringstream paragraphs(text);
    std::string paragraph;
    while (std::getline(paragraphs, paragraph)) {
        std::istringstream words(paragraph);
        std::string word, line;
        while (words >> word) {
            std::string longer = line.empty() ? word : line + " " + word;
            if (!line.empty() && text_width(longer, kNormalFont) > width) {
                out.push_back(line);
                line = word;
            } else {
                line = longer;
            }
        }
        out.push_back(line);
    }
    if (out.empty()) out.emplace_back();
    return out;
}
}  // namespace

CModalBox::CModalBox(const CRect& area, std::string cap, std::string text, std::vector<std::string> labs,
                     bool with_field)
    : CView(CRect()), caption(std::move(cap)), labels(std::move(labs)) {
    int width = std::min(box_width, std::max(160, area.width() - 20));
    lines = wrap(text, width - 2 * margin);
    int height = title_height + margin + int(lines.size()) * line_height + (with_field ? field_height + 8 : 0) +
                 margin + button_height + margin;
    int left = area.left + (area.width() - width) / 2;
    int top = area.top + std::max(0, (area.height() - height) / 2);
    size = mouseable = CRect(left, top, left + width, top + height);
    int y = top + title_height + margin + int(lines.size()) * line_height;
    if (with_field) {
        field = CRect(left + margin, y + 4, left + width - margin, y + 4 + field_height);
        y += field_height + 8;
    }
    int count = int(labels.size());
    int x = left + width - margin - count * button_width - (count - 1) * 8;
    for (int i = 0; i < count; ++i) {
        buttons.emplace_back(x, y + margin, x + button_width, y + margin + button_height);
        x += button_width + 8;
    }
}

CModalBox::~CModalBox() {
    if (grabbed) grabbed->grabKeyboard(false);
}

bool CModalBox::attached(CView* p) {
    CView::attached(p);
    if (!grabbed)
        if ((grabbed = getFrame())) grabbed->grabKeyboard(true);
    return true;
}

void CModalBox::draw(CDrawContext* context) {
    context->setFillColor(box_back);
    context->fillRect(size);
    CRect title(size.left, size.top, size.right, size.top + title_height);
    context->setFillColor(box_ink);
    context->fillRect(title);
    context->setFrameColor(box_ink);
    context->drawRect(size);
    context->setFont(kSystemFont);
    context->setFontColor(box_title_text);
    CRect title_text = title;
    title_text.left += margin;
    context->drawString(caption.c_str(), title_text, false, kLeftText);
    context->setFont(kNormalFont);
    context->setFontColor(box_ink);
    int y = size.top + title_height + margin;
    for (const std::string& line : lines) {
        context->drawString(line.c_str(), CRect(size.left + margin, y, size.right - margin, y + line_height), false,
                            kLeftText);
        y += line_height;
    }
    if (!field.isEmpty()) editing.draw(context, field, box_ink, CColor{255, 255, 255, 0}, box_ink, box_ink);
    context->setFont(kSystemFont);
    for (size_t i = 0; i < buttons.size(); ++i) {
        bool down = long(i) == armed && lit;
        context->setFillColor(down ? box_ink : CColor{255, 255, 255, 0});
        context->fillRect(buttons[i]);
        context->setFrameColor(box_ink);
        context->drawRect(buttons[i]);
        context->setFontColor(down ? box_back : box_ink);
        context->drawString(labels[i].c_str(), buttons[i], false, kCenterText);
    }
    dirty = false;
}

CMouseResult CModalBox::mouse(CDrawContext* context, CPoint& where) {
    for (size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i].pointInside(where)) {
            armed = long(i);
            lit = true;
            setDirty(true);
            return kMouseTrack;
        }
    if (!field.isEmpty() && field.pointInside(where)) {
        context->setFont(kNormalFont);
        editing.caret_to(context, where.h - field.left - 3);
        setDirty(true);
    }
    return kMouseHandled;  // modal: presses elsewhere go nowhere
}

void CModalBox::mouseMoved(CDrawContext*, CPoint& where) {
    if (armed < 0) return;
    bool inside = buttons[size_t(armed)].pointInside(where);
    if (inside != lit) {
        lit = inside;
        setDirty(true);
    }
}

void CModalBox::mouseUp(CDrawContext*, CPoint& where) {
    long b = armed;
    armed = -1;
    setDirty(true);
    if (b >= 0 && buttons[size_t(b)].pointInside(where)) press(size_t(b));
}

void CModalBox::press(size_t i) {
    if (closed || i >= buttons.size()) return;
    close();
    pressed(i);
}

void CModalBox::close() {
    closed = true;
    if (CFrame* f = getFrame()) f->closeOverlay(this);
}

long CModalBox::onKeyDown(const CKeyCode& k) { return key(k); }

long CModalBox::key(const CKeyCode& k) {
    if (k.virt == VKEY_RETURN || k.virt == VKEY_ENTER || k.virt == VKEY_ESCAPE) press(0);
    return 1;  // modal: every key stops here
}

CMessageBox::CMessageBox(const CRect& area, const std::string& cap, const std::string& text,
                         std::function<void()> done)
    : CModalBox(area, cap, text, {"OK"}, false), on_close(std::move(done)) {}

void CMessageBox::pressed(size_t) {
    if (on_close) on_close();
}

CQuestionBox::CQuestionBox(const CRect& area, const std::string& cap, const std::string& text,
                           std::function<void(bool)> done)
    : CModalBox(area, cap, text, {"OK", "Cancel"}, false), on_close(std::move(done)) {}

void CQuestionBox::pressed(size_t button) {
    if (on_close) on_close(button == 0);
}

long CQuestionBox::key(const CKeyCode& k) {
    if (k.virt == VKEY_RETURN || k.virt == VKEY_ENTER) press(0);
    if (k.virt == VKEY_ESCAPE) press(1);
    return 1;
}

CPromptDialog::CPromptDialog(const CRect& area, const std::string& cap, const std::string& prompt,
                             const std::string& initial, size_t max_bytes,
                             std::function<void(const std::string&)> change,
                             std::function<void(bool, const std::string&)> done)
    : CModalBox(area, cap, prompt, {"OK", "Cancel"}, true), on_change(std::move(change)), on_close(std::move(done)) {
    editing.reset(initial, max_bytes);
}

void CPromptDialog::pressed(size_t button) {
    if (on_close) on_close(button == 0, editing.text);
}

long CPromptDialog::key(const CKeyCode& k) {
    switch (editing.key(k)) {
        case text_editing::commit: press(0); break;
        case text_editing::cancel: press(1); break;
        case text_editing::changed:
            setDirty(true);
            if (on_change) on_change(editing.text);
            break;
        default: setDirty(true); break;
    }
    return 1;
}

void showMessageBox(CFrame* frame, const std::string& caption, const std::string& text,
                    std::function<void()> on_close) {
    if (!frame || !frame->isOpen()) {
        std::fprintf(stderr, "Kaveo: %s: %s\n", caption.c_str(), text.c_str());
        if (on_close) on_close();
        return;
    }
    frame->showOverlay(std::make_unique<CMessageBox>(CRect(0, 0, frame->getWidth(), frame->getHeight()), caption,
                                                     text, std::move(on_close)));
}

void showQuestionBox(CFrame* frame, const std::string& caption, const std::string& text,
                     std::function<void(bool ok)> on_close) {
    if (!frame || !frame->isOpen()) {
        std::fprintf(stderr, "Kaveo: %s: %s (no window to answer in: cancelled)\n", caption.c_str(), text.c_str());
        if (on_close) on_close(false);
        return;
    }
    frame->showOverlay(std::make_unique<CQuestionBox>(CRect(0, 0, frame->getWidth(), frame->getHeight()), caption,
                                                      text, std::move(on_close)));
}

void showPromptDialog(CFrame* frame, const std::string& caption, const std::string& prompt,
                      const std::string& initial, size_t max_bytes,
                      std::function<void(const std::string&)> on_change,
                      std::function<void(bool ok, const std::string& text)> on_close) {
    if (!frame || !frame->isOpen()) {
        if (on_close) on_close(false, initial);
        return;
    }
    frame->showOverlay(std::make_unique<CPromptDialog>(CRect(0, 0, frame->getWidth(), frame->getHeight()), caption,
                                                       prompt, initial, max_bytes, std::move(on_change),
                                                       std::move(on_close)));
}

}  // namespace VSTGUI
