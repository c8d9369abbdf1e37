#include "editor/kaveos_editor.h"

#include <cstdio>

#include "editor/assign_page.h"
#include "editor/ctext.h"
#include "editor/sample_page.h"
#include "editor/timbre_page.h"
#include "plugin/kaveos.h"
#include "toolkit/cbitmap.h"
#include "toolkit/cframe.h"
#include "toolkit/cswitches.h"
#include "toolkit/cviewcontainer.h"

using namespace VSTGUI;

namespace {
constexpr auto relaxed = std::memory_order_relaxed;

struct page_button_spec {
    long bitmap;
    int left;
};
// The left edges follow the pictures' widths: 227, then 6 and 4 pixels apart.
constexpr page_button_spec page_buttons[3] = {{15003, 227}, {15004, 327}, {15005, 425}};
const CRect page_area(0, 36, KaveosEditor::width, KaveosEditor::height);
}  // namespace

KaveosEditor::KaveosEditor(Kaveos* effect)
    : AEffGUIEditor(effect),
      kaveos(effect),
      sample_pg(std::make_unique<sample_page>()),
      timbre_pg(std::make_unique<timbre_page>()),
      assign_pg(std::make_unique<assign_page>()) {
    rect = {0, 0, height, width};
}

KaveosEditor::~KaveosEditor() {
    // A host that deletes the plug-in with the window open: the window goes here. Nothing
    // below calls into the effect, whose members may already be gone.
    if (open_flag || frame) {
        open_flag = false;
        release_window_views();
        delete frame;
        frame = nullptr;
    }
}

bool KaveosEditor::open(void* parent) {
    if (open_flag) close();
    AEffGUIEditor::open(parent);
    frame = new CFrame(CRect(0, 0, width, height), parent, this);
    if (!frame->isOpen()) {  // no display, or the parent is no window
        delete frame;
        frame = nullptr;
        AEffEditor::close();
        return false;
    }
    // Everything below reads the effect as it is now: earlier marks are stale.
    forget_pending();
    strip_bitmap = std::make_unique<CBitmap>(15019);
    page_bitmap = std::make_unique<CBitmap>(15020);
    frame->setBackground(strip_bitmap.get());

    char text[32];
    std::snprintf(text, sizeof text, "version %s", version);
    version_text = std::make_unique<CText>(CRect(2, 23, 159, 35), text, true);
    version_text->setFontColor(kBlackCColor);
    frame->addView(version_text.get());

    for (int i = 0; i < 3; ++i) {
        button_bitmaps[size_t(i)] = std::make_unique<CBitmap>(page_buttons[i].bitmap);
        CBitmap* b = button_bitmaps[size_t(i)].get();
        int left = page_buttons[i].left;
        CRect r(left, 7, left + int(b->getWidth()), 7 + int(b->getHeight() / 2));
        buttons[size_t(i)] = std::make_unique<COnOffButton>(r, this, page_button_tag + i, b);
        buttons[size_t(i)]->setValue(i == page_timbre ? 0.0f : 1.0f);
        frame->addView(buttons[size_t(i)].get());
    }
    for (int i = 0; i < 3; ++i) {
        containers[size_t(i)] = std::make_unique<CViewContainer>(page_area, frame, page_bitmap.get());
        page_object(i).show(*this, *kaveos, *containers[size_t(i)]);
    }
    page = page_timbre;
    clearPage();
    changePage();
    open_flag = true;
    return true;
}

void KaveosEditor::close() {
    open_flag = false;
    release_window_views();
    AEffGUIEditor::close();
}

void KaveosEditor::release_window_views() {
    for (int i = 0; i < 3; ++i) {
        if (containers[size_t(i)]) page_object(i).hide(*containers[size_t(i)]);
        page_object(i).release();
    }
    if (frame) frame->removeAll(false);
    for (auto& c : containers) c.reset();
    for (auto& b : buttons) b.reset();
    version_text.reset();
    for (auto& b : button_bitmaps) b.reset();
    strip_bitmap.reset();
    page_bitmap.reset();
}

editor_page& KaveosEditor::page_object(int number) const {
    switch (number) {
        case page_sample: return *sample_pg;
        case page_assign: return *assign_pg;
        default: return *timbre_pg;
    }
}

COnOffButton* KaveosEditor::page_button(int number) const {
    return number >= 0 && number < 3 ? buttons[size_t(number)].get() : nullptr;
}

CViewContainer* KaveosEditor::page_container(int number) const {
    return number >= 0 && number < 3 ? containers[size_t(number)].get() : nullptr;
}

void KaveosEditor::clearPage() {
    if (!frame) return;
    for (auto& c : containers)
        if (c) frame->removeView(c.get(), false);
}

void KaveosEditor::changePage() {
    if (!frame) return;
    if (CViewContainer* c = page_container(page)) frame->addView(c);
    redraw_pending = true;
}

void KaveosEditor::idle() {
    // A host may answer our own host calls with an idle call: never run two at once.
    if (in_idle) return;
    in_idle = true;
    if (open_flag) apply_pending();
    AEffGUIEditor::idle();
    in_idle = false;
}

void KaveosEditor::forget_pending() {
    pending.any_param.store(false, relaxed);
    for (auto& p : pending.param) p.store(false, relaxed);
    pending.name.store(false, relaxed);
    pending.program.store(false, relaxed);
    pending.bank.store(false, relaxed);
    pending.scan.store(false, relaxed);
    pending.controller.store(false, relaxed);
}

void KaveosEditor::apply_pending() {
    Kaveos& fx = *kaveos;
    if (pending.program.exchange(false, relaxed))
        for (int i = 0; i < 3; ++i) page_object(i).program_changed(fx);
    if (pending.bank.exchange(false, relaxed))
        for (int i = 0; i < 3; ++i) page_object(i).bank_changed(fx);
    if (pending.name.exchange(false, relaxed))
        for (int i = 0; i < 3; ++i) page_object(i).name_changed(fx);
    if (pending.any_param.exchange(false, std::memory_order_acquire)) {
        for (int index = 0; index < NUM_PARAMS; ++index) {
            if (!pending.param[size_t(index)].exchange(false, relaxed)) continue;
            float value = fx.getParameter(index);
            for (int i = 0; i < 3; ++i) page_object(i).setParameter(index, value, fx);
        }
    }
    if (pending.scan.exchange(false, std::memory_order_acquire)) sample_pg->set_scan_fraction(pending.scan_fraction.load(relaxed));
    if (pending.controller.exchange(false, std::memory_order_acquire))
        assign_pg->show_last_controller(pending.last_controller.load(relaxed));
}

// Notifications: stores only, whatever thread and lock they come with.

void KaveosEditor::setParameter(VstInt32 index, float) {
    if (index < 0) {
        pending.name.store(true, relaxed);
        return;
    }
    if (index >= NUM_PARAMS) return;
    pending.param[size_t(index)].store(true, relaxed);
    pending.any_param.store(true, std::memory_order_release);
}

void KaveosEditor::update_program() { pending.program.store(true, relaxed); }

void KaveosEditor::bank_has_changed() { pending.bank.store(true, relaxed); }

void KaveosEditor::set_scan_pct(double fraction) {
    pending.scan_fraction.store(fraction, relaxed);
    pending.scan.store(true, std::memory_order_release);
}

void KaveosEditor::show_last_controller(int controller) {
    pending.last_controller.store(controller, relaxed);
    pending.controller.store(true, std::memory_order_release);
}

int KaveosEditor::tag_to_param(long tag) {
    for (long base : {1000L, 2000L, 3000L, 4000L})
        if (tag >= base && tag < base + NUM_PARAMS) return int(tag - base);
    return -1;
}

void KaveosEditor::beginEdit(VstInt32 tag) {
    int index = tag_to_param(tag);
    if (index >= 0) AEffGUIEditor::beginEdit(index);
}

void KaveosEditor::endEdit(VstInt32 tag) {
    int index = tag_to_param(tag);
    if (index >= 0) AEffGUIEditor::endEdit(index);
}

void KaveosEditor::valueChanged(CDrawContext* context, CControl* control) {
    if (!control) return;
    long tag = control->getTag();
    if (tag >= page_button_tag && tag < page_button_tag + 3) {
        int chosen = int(tag - page_button_tag);
        if (control->getValue() < 0.25f) {
            for (int i = 0; i < 3; ++i)
                if (i != chosen) buttons[size_t(i)]->setValue(1.0f);
            if (page != chosen) {
                clearPage();
                page = chosen;
                changePage();
            }
        } else {
            control->setValue(0.0f);  // the page shown stays shown
        }
        return;
    }
    if (page >= 0 && page < 3) page_object(page).valueChanged(*kaveos, frame, context, control);
}
