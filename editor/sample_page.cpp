#include "editor/sample_page.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <utility>

#include "editor/ckeyboard.h"
#include "editor/clistbox.h"
#include "editor/ctext.h"
#include "editor/cwaveview.h"
#include "editor/kaveos_editor.h"
#include "editor/palette.h"
#include "editor/sample_import_job.h"
#include "plugin/kaveos.h"
#include "toolkit/cframe.h"
#include "toolkit/cknob.h"
#include "toolkit/cmodal.h"
#include "toolkit/cparamdisplay.h"
#include "toolkit/cswitches.h"
#include "toolkit/file_dialog.h"

using namespace VSTGUI;

namespace {

constexpr float knob_start = 4.107632f;   // radians
constexpr float knob_range = -5.0736723f;  // clockwise as the value grows

void no_text(float, char* text, size_t capacity) {
    if (capacity) text[0] = '\0';
}

void signed_text(long n, char* text, size_t capacity) {
    std::snprintf(text, capacity, n < 0 ? "%ld" : "+%ld", n);
}

// A view that takes dropped files: the waveform view and the slot list.
template <class view>
class drop_target : public view {
public:
    using handler = std::function<bool(void** items, long count, long type)>;
    template <class... A>
    explicit drop_target(handler h, A&&... args) : view(std::forward<A>(args)...), on_drop(std::move(h)) {}
    bool onDrop(void** items, long count, long type, CPoint&) override { return on_drop && on_drop(items, count, type); }

private:
    handler on_drop;
};

}  // namespace

sample_page::sample_page() = default;

// The job goes before the controls and the effect it was started for.
sample_page::~sample_page() { job.reset(); }

void sample_page::transpose_text(float value, char* text, size_t capacity) {
    signed_text(std::lround(double(value) * 48.0 - 24.0), text, capacity);
}

// Rounded: the value of c cents is the float c / 100, which times 100 lands just below c
// for about half of them.
void sample_page::finetune_text(float value, char* text, size_t capacity) {
    signed_text(std::lround(double(value) * 100.0), text, capacity);
}

int sample_page::transpose_of(float value) { return int(std::lround(double(value) * 48.0 - 24.0)); }

int sample_page::finetune_of(float value) { return int(std::lround(double(value) * 100.0)); }

int sample_page::selected_set() const { return osc1 && osc1->getValue() >= 0.4f ? 1 : 0; }

int sample_page::selected_slot() const {
    int s = list ? list->getCurrentItem() : 0;
    return waveform::valid_slot(s) ? s : 0;
}

void sample_page::forget_controls() {
    osc1 = osc2 = nullptr;
    view = nullptr;
    list = nullptr;
    load = nullptr;
    keys = nullptr;
    xpose_knob = fine_knob = nullptr;
    xpose_display = fine_display = nullptr;
    view_shows_import = false;
}

void sample_page::release() {
    job.reset();  // stops the worker and waits for it
    forget_controls();
    editor_page::release();
}

void sample_page::show(KaveosEditor& ed, Kaveos& fx, CViewContainer& container) {
    release();
    editor = &ed;
    effect = &fx;
    CBitmap* select_panel = views.bitmap(15022);
    CBitmap* osc1_picture = views.bitmap(15001);
    CBitmap* osc2_picture = views.bitmap(15002);
    CBitmap* wave_frame = views.bitmap(15018);
    CBitmap* list_picture = views.bitmap(15017);
    CBitmap* load_picture = views.bitmap(15007);
    CBitmap* tuning_panel = views.bitmap(15024);
    CBitmap* knob = views.bitmap(15025);
    CBitmap* knob_handle = views.bitmap(15026);
    CBitmap* value_box = views.bitmap(15027);
    CBitmap* transpose_caption = views.bitmap(15028);
    CBitmap* finetune_caption = views.bitmap(15029);
    CBitmap* info_panel = views.bitmap(15038);

    // A picture with no text: the panels and the captions.
    auto picture = [&](const CRect& r, CBitmap* b) {
        auto* d = views.add<CParamDisplay>(container, r, b);
        d->setStringConvert(no_text);
        d->setTransparency(true);
    };
    auto value_display = [&](const CRect& r, CParamDisplayConvert convert) {
        auto* d = views.add<CParamDisplay>(container, r, value_box);
        d->setStringConvert(convert);
        d->setTransparency(true);
        d->setFont(kNormalFontVeryBig);
        d->setFontColor(kaveo_palette::light_blue);
        return d;
    };
    auto tuning_knob = [&](const CRect& r, long tag) {
        auto* k = views.add<CKnob>(container, r, editor, tag, knob, knob_handle);
        k->setStartAngle(knob_start);
        k->setRangeAngle(knob_range);
        k->setTransparency(true);
        return k;
    };
    auto drops = [this](void** items, long count, long type) { return drop(items, count, type); };

    picture(CRect(8, 8, 233, 103), select_panel);
    osc1 = views.add<COnOffButton>(container, CRect(26, 40, 111, 82), editor, tag_osc1, osc1_picture);
    osc1->setTransparency(true);
    osc1->setValue(0.0f);
    osc2 = views.add<COnOffButton>(container, CRect(129, 40, 214, 82), editor, tag_osc2, osc2_picture);
    osc2->setTransparency(true);
    osc2->setValue(1.0f);
    view = views.add<drop_target<CWaveview>>(container, drops, CRect(176, 112, 599, 358), editor, tag_waveview,
                                             wave_frame);
    list = views.add<drop_target<CListbox>>(container, drops, CRect(8, 112, 168, 360), editor, tag_list,
                                            list_picture, waveform::slots);
    list->setTransparency(true);
    load = views.add<CKickButton>(container, CRect(58, 333, 116, 352), editor, tag_load, 19, load_picture);
    // Six octaves: the view's picture width less 24, from x 193.
    keys = views.add<CKeyboard>(container, CRect(193, 292, 592, 340), editor, tag_keyboard, nullptr, 6);
    picture(CRect(241, 8, 581, 103), tuning_panel);
    xpose_knob = tuning_knob(CRect(273, 28, 332, 86), tag_transpose);
    xpose_display = value_display(CRect(325, 36, 381, 78), transpose_text);
    picture(CRect(273, 20, 329, 26), transpose_caption);
    fine_knob = tuning_knob(CRect(412, 28, 471, 86), tag_finetune);
    fine_display = value_display(CRect(464, 36, 520, 78), finetune_text);
    picture(CRect(412, 20, 461, 26), finetune_caption);
    refreshWavelist(fx);
    views.add<CText>(container, CRect(8, 370, 594, 476), "", false)->setBackground(info_panel);
}

void sample_page::refreshWavelist(Kaveos& fx) { refresh(fx, false); }

void sample_page::refresh(Kaveos& fx, bool picture_shown) {
    if (!list) return;
    const waveform& w = fx.current().waves.waves[size_t(selected_set())];
    for (int i = 0; i < waveform::slots; ++i) list->setItemName(i, w.slot_name(i).c_str());
    show_slot(fx, picture_shown);
}

void sample_page::show_import_progress() {
    if (!view_shows_import) {
        const std::vector<float>& columns = job->overview();
        view->loadColumns(columns.data(), long(columns.size()));
    }
    view_shows_import = true;
    view->setScanFraction(job->progress());
}

void sample_page::show_slot(Kaveos& fx, bool picture_shown) {
    if (!view) return;
    const waveform& w = fx.current().waves.waves[size_t(selected_set())];
    const int slot = selected_slot();
    if (view_targets_import()) {
        show_import_progress();
    } else {
        if (!picture_shown) view->loadColumns(w.samples[size_t(slot)]);
        view->setScanFraction(1.0);
        view_shows_import = false;
    }
    show_key_map(fx);
    const sample_data& s = w.samples[size_t(slot)];
    const float xpose = float(s.xpose + 24) / 48.0f;
    const float fine = float(s.finetune) / 100.0f;
    xpose_knob->setValue(xpose);
    xpose_display->setValue(xpose);
    fine_knob->setValue(fine);
    fine_display->setValue(fine);
}

void sample_page::show_key_map(Kaveos& fx) {
    const waveform& w = fx.current().waves.waves[size_t(selected_set())];
    // Entries outside 0..7 (a program from elsewhere) play slot 0, and show so.
    int map[CKeyboard::map_size];
    for (int k = 0; k < CKeyboard::map_size; ++k) map[k] = w.slot_for_key(k);
    keys->setKeyMap(map);
}

void sample_page::set_scan_fraction(double fraction) {
    if (view) view->setScanFraction(fraction);
}

void sample_page::program_changed(Kaveos& fx) {
    if (job) program_replaced = true;
    refreshWavelist(fx);
}

void sample_page::message(const char* caption, const char* text) {
    showMessageBox(editor ? editor->getFrame() : nullptr, caption, text);
}

void sample_page::valueChanged(Kaveos& fx, CFrame*, CDrawContext*, CControl* control) {
    if (!control || !list) return;
    const int set = selected_set();
    const int slot = selected_slot();
    switch (control->getTag()) {
        case tag_osc1:
        case tag_osc2: {
            COnOffButton* other = control == osc1 ? osc2 : osc1;
            // The set shown stays shown: clicking its button again changes nothing.
            if (control->getValue() < 0.4f) {
                other->setValue(1.0f);
                refreshWavelist(fx);
            } else {
                control->setValue(0.0f);
            }
            break;
        }
        case tag_list: show_slot(fx); break;
        case tag_keyboard: {
            // A click beside the keys selects no note (-1).
            const int note = keys->getSelectedNote();
            const waveform& w = fx.current().waves.waves[size_t(set)];
            if (note < 0 || note >= waveform::keys || w.keymap[size_t(note)] == slot) break;
            if (fx.set_key_slot(set, note, slot)) show_key_map(fx);
            break;
        }
        case tag_transpose: {
            // Each write holds the engine for a moment: only changes are written.
            const int t = transpose_of(control->getValue());
            const sample_data& s = fx.current().waves.waves[size_t(set)].samples[size_t(slot)];
            if (t != s.xpose && !fx.set_slot_xpose(set, slot, t)) control->setValue(float(s.xpose + 24) / 48.0f);
            xpose_display->setValue(float(s.xpose + 24) / 48.0f);
            break;
        }
        case tag_finetune: {
            const int f = finetune_of(control->getValue());
            const sample_data& s = fx.current().waves.waves[size_t(set)].samples[size_t(slot)];
            if (f != s.finetune) fx.set_slot_finetune(set, slot, f);
            control->setValue(float(s.finetune) / 100.0f);
            fine_display->setValue(float(s.finetune) / 100.0f);
            break;
        }
        case tag_load:
            if (control->getValue() > 0.5f) choose_file();
            break;
        default: break;
    }
}

void sample_page::choose_file() {
    if (job) {
        message(load_error_caption, msg_busy);
        return;
    }
    // Asked as hosts expect; the dialog is ours whatever the answer.
    (void)effect->canHostDo("openFileSelector");
    file_dialog_request r;
    r.title = "Load sample";
    r.filters = {{"All", "*.*"}, {"WAV sample (.wav)", "*.wav"}, {"AIFF sample (.aif)", "*.aif"},
                 {"AIFF sample (.aiff)", "*.aiff"}};
    r.selected_filter = 1;
    CFrame* frame = editor->getFrame();
    if (frame) r.parent_window = frame->getSystemWindow();
    // The page outlives the dialog: closing the frame ends the dialog without an answer.
    runFileDialog(frame, r, [this](const std::string& path) {
        if (!path.empty()) load_file(path);
    });
}

bool sample_page::drop(void** items, long count, long type) {
    // One file, and a sample file: anything else is not ours to take.
    if (type != 0 || count != 1 || !items || !items[0] || !list) return false;
    const std::string path = static_cast<const char*>(items[0]);
    if (!sample_import::recognizes(path)) return false;
    return load_file(path);
}

bool sample_page::load_file(const std::string& path) {
    if (!effect || !list) return false;
    if (job) {
        message(load_error_caption, msg_busy);
        return false;
    }
    try {
        sample_import_job::target to{effect->getProgram(), selected_set(), selected_slot()};
        job = std::make_unique<sample_import_job>(path, to, effect->sample_rate(), view->pictureRect().width());
    } catch (...) {
        message(error_caption, msg_load_failed);  // no thread to be had
        return false;
    }
    program_replaced = false;
    view_shows_import = false;
    if (CFrame* frame = editor->getFrame()) frame->addIdleTask([this] { return poll_import(); });
    return true;
}

bool sample_page::view_targets_import() const {
    return job && !program_replaced && job->current() == sample_import_job::stage::analysing &&
           job->where().wave == selected_set() && job->where().slot == selected_slot();
}

bool sample_page::poll_import() {
    if (!job) return false;
    if (job->current() == sample_import_job::stage::finished) {
        finish_import();
        return false;
    }
    if (view_targets_import()) show_import_progress();
    return true;
}

void sample_page::finish_import() {
    using sample_import::outcome;
    std::unique_ptr<sample_import_job> done = std::move(job);
    // The picture of the sample being installed is already drawn: a long sample is not
    // gone through again.
    const bool picture_drawn = view_shows_import;
    view_shows_import = false;
    Kaveos& fx = *effect;
    const sample_import_job::target to = done->where();
    bool installed = false;
    try {
        sample_import_job::result r = done->take();
        const bool replaced = program_replaced || fx.getProgram() != to.program;
        if (r.outcome == outcome::cancelled) {
            // Only a closing editor cancels, and then nobody is told.
        } else if (r.outcome != outcome::imported) {
            message(r.outcome == outcome::failed ? error_caption : load_error_caption, sample_import::message(r.outcome));
        } else if (replaced) {
            message(load_error_caption, msg_program_changed);
        } else if (sample_import::record_bytes_with(fx.current(), to.wave, to.slot, r.stored, done->name()) >
                   sample_import::max_record_bytes) {
            message(load_error_caption, sample_import::message(outcome::too_long));
        } else if (!fx.set_slot_sample(to.wave, to.slot, std::move(r.stored), std::move(r.play), done->rate(),
                                       done->name())) {
            message(error_caption, msg_load_failed);
        } else {
            installed = true;
        }
    } catch (...) {
        message(error_caption, msg_load_failed);
    }
    done.reset();
    refresh(fx, installed && picture_drawn);
}
