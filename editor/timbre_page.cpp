#include "editor/timbre_page.h"

#include <cmath>
#include <string>
#include <vector>

#include "editor/cpopupedit.h"
#include "editor/ctext.h"
#include "editor/kaveos_editor.h"
#include "editor/palette.h"
#include "editor/program_commands.h"
#include "plugin/kaveos.h"
#include "toolkit/coptionmenu.h"
#include "toolkit/cslider.h"
#include "toolkit/cswitches.h"
#include "toolkit/utf8.h"
#include "vst/vst_text.h"

using namespace VSTGUI;

namespace {

enum class kind { slider, rocker };

struct control_spec {
    int index;
    kind k;
    int x, y;  // page coordinates
};

struct panel_spec {
    long bitmap;  // 0: controls without a panel
    CRect rect;
    std::vector<control_spec> controls;
};

constexpr kind S = kind::slider;
constexpr kind R = kind::rocker;

// Every parameter control of the page, panel by panel, in the order they are built.
const std::vector<panel_spec>& panels() {
    static const std::vector<panel_spec> table = {
        {15041, CRect(0, 72, 290, 233),
         {{P_OSC1_FINE, S, 118, 76}, {P_OSC1_OFFSET, S, 150, 76}, {P_OSC1_LOOP_BEGIN, S, 182, 76},
          {P_OSC1_LOOP_LENGTH, S, 214, 76}, {P_OSC1_SPEED, S, 246, 76}, {P_OSC1_WAVE, R, 1, 96},
          {P_OSC1_XPOSE, R, 1, 112}, {P_OSC1_LOOP, R, 1, 128}, {P_BEND_RANGE, R, 1, 144},
          {P_OSC1_SYNC, R, 1, 160}, {P_OSC1_PITCHABLE, R, 1, 176}}},
        {0, CRect(), {{P_OSC_BALANCE, S, 295, 76}}},
        {15047, CRect(332, 72, 622, 233),
         {{P_OSC2_FINE, S, 450, 76}, {P_OSC2_OFFSET, S, 482, 76}, {P_OSC2_LOOP_BEGIN, S, 514, 76},
          {P_OSC2_LOOP_LENGTH, S, 546, 76}, {P_OSC2_SPEED, S, 578, 76}, {P_OSC2_WAVE, R, 333, 96},
          {P_OSC2_XPOSE, R, 333, 112}, {P_OSC2_LOOP, R, 333, 128}, {P_OSC2_SYNC, R, 333, 144},
          {P_OSC2_PITCHABLE, R, 333, 160}}},
        {15042, CRect(4, 236, 358, 397),
         {{P_FILTER_CUTOFF, S, 122, 240}, {P_FILTER_RES, S, 154, 240}, {P_FILTER_ENV, S, 186, 240},
          {P_FEG_ATTACK, S, 218, 240}, {P_FEG_DECAY, S, 250, 240}, {P_FEG_SUSTAIN, S, 282, 240},
          {P_FEG_RELEASE, S, 314, 240}, {P_FILTER_TYPE, R, 5, 260}}},
        {15043, CRect(4, 400, 358, 561),
         {{P_OSC_GAIN, S, 122, 404}, {P_GAIN, S, 154, 404}, {P_PAN, S, 186, 404}, {P_EG_ATTACK, S, 218, 404},
          {P_EG_DECAY, S, 250, 404}, {P_EG_SUSTAIN, S, 282, 404}, {P_EG_RELEASE, S, 314, 404}}},
        {15044, CRect(366, 236, 592, 397),
         {{P_LFO1_SHAPE, R, 367, 260}, {P_LFO2_SHAPE, R, 367, 276}, {P_LFO3_SHAPE, R, 367, 292},
          {P_LFO1_SYNC, R, 367, 308}, {P_LFO2_SYNC, R, 367, 324}, {P_LFO3_SYNC, R, 367, 340},
          {P_TEMPO_SOURCE, R, 367, 356}, {P_LFO1_FREQ, S, 484, 240}, {P_LFO2_FREQ, S, 516, 240},
          {P_LFO3_FREQ, S, 548, 240}}},
        {15045, CRect(366, 400, 560, 561),
         {{P_PORTA_SPEED, S, 484, 404}, {P_UNISON_DETUNE, S, 516, 404}, {P_LEGATO, R, 367, 424},
          {P_UNISON_VOICES, R, 367, 440}}},
    };
    return table;
}

// The displays that show a tempo-sync picture, and the switch that syncs each.
struct sync_spec {
    int display;
    int sync;
};
constexpr sync_spec sync_displays[] = {{P_OSC1_SPEED, P_OSC1_SYNC},
                                       {P_OSC2_SPEED, P_OSC2_SYNC},
                                       {P_LFO1_FREQ, P_LFO1_SYNC},
                                       {P_LFO2_FREQ, P_LFO2_SYNC},
                                       {P_LFO3_FREQ, P_LFO3_SYNC}};

const sync_spec* sync_for(int index) {
    for (const sync_spec& s : sync_displays)
        if (s.display == index || s.sync == index) return &s;
    return nullptr;
}

bool is_sync_display(int index) {
    const sync_spec* s = sync_for(index);
    return s && s->display == index;
}

// The name field keeps the characters the bar has room for.
void cut_name(const char* input, char* output, size_t capacity) {
    std::string_view kept = utf8_first_chars(input ? input : "", timbre_page::name_chars);
    size_t n = utf8_prefix(kept, capacity - 1);
    kept.copy(output, n);
    output[n] = '\0';
}

}  // namespace

int timbre_page::sync_row(int index, const Kaveos& effect) {
    const sync_spec* s = sync_for(index);
    if (!s || s->display != index) return 0;
    const timbre& values = effect.current().params;
    float sync = values.value(s->sync);
    float x = values.value(s->display);
    bool oscillator = s->display == P_OSC1_SPEED || s->display == P_OSC2_SPEED;
    bool synced = oscillator ? sync > 0.499f : value_to_choice(sync, 3) == 1;
    if (!synced) return 0;
    int d = 1 + int(std::trunc(double(x) * (oscillator ? 23.0 : 15.0)));
    return d > 7 ? 9 : d;
}

float timbre_page::rocker_step(int index, float value, int direction) {
    const int n = param_info(index).steps;
    if (n < 2) return -1.0f;
    // Filter type has a seventh choice the page does not offer.
    const int last = index == P_FILTER_TYPE ? 5 : n - 1;
    int next = value_to_choice(value, n) + (direction > 0 ? 1 : -1);
    if (next < 0 || next > last) return -1.0f;
    return choice_to_value(next, n);
}

void timbre_page::forget_controls() {
    converters.fill(nullptr);
    sliders.fill(nullptr);
    rockers.fill(nullptr);
    displays.fill(nullptr);
    name = nullptr;
    menu = nullptr;
    step = nullptr;
}

void timbre_page::release() {
    forget_controls();
    editor_page::release();
}

void timbre_page::show(KaveosEditor& ed, Kaveos& fx, CViewContainer& container) {
    release();
    editor = &ed;
    rocker_picture = views.bitmap(15040);
    sync_pictures = views.bitmap(15049);
    program_bar(fx, container);
    track = views.bitmap(15006);
    handle = views.bitmap(15023);
    for (const panel_spec& p : panels()) {
        if (p.bitmap) views.add<CText>(container, p.rect, "", true)->setBackground(views.bitmap(p.bitmap));
        for (const control_spec& c : p.controls) {
            if (c.k == kind::slider)
                make_slider(fx, container, c.index, c.x, c.y);
            else
                make_rocker(fx, container, c.index, c.x, c.y);
        }
        if (!p.bitmap)  // the balance slider's centre mark
            views.add<CText>(container, CRect(303, 222, 317, 228), "", true)->setBackground(views.bitmap(15048));
    }
}

void timbre_page::program_bar(Kaveos& fx, CViewContainer& container) {
    views.add<CText>(container, CRect(0, 0, 589, 70), "", true)->setBackground(views.bitmap(15039));

    char text[vst::kTextScratch] = {};
    fx.getProgramName(text);
    name = views.add<CPopupEdit>(container, CRect(24, 30, 210, 44), editor, tag_program_name, "", &fx);
    name->setTextEditConvert(cut_name);
    name->setText(text);
    name->setBackColor(kaveo_palette::dark_blue);
    name->setFrameColor(kaveo_palette::dark_blue);
    name->setFontColor(kaveo_palette::light_blue);
    name->setFont(kNormalFontSmall);
    name->setHoriAlign(kLeftText);
    name->setTextRect(CRect(28, 30, 208, 44));
    KaveosEditor* ed = editor;
    name->setAcceptHandler([ed](AudioEffect*, int program, const std::string& typed) {
        editor_commands::rename_program(*ed, program, typed);
    });

    menu = views.add<COptionMenu>(container, CRect(219, 28, 235, 44), editor, tag_program_menu,
                                  views.bitmap(15008), views.bitmap(15009), kNoTextStyle);
    menu->setTransparency(true);
    step = views.add<CRockerSwitch>(container, CRect(237, 29, 271, 45), editor, tag_program_step, 16,
                                    rocker_picture, CPoint(0, 0), kHorizontal);
    step->setTransparency(true);
    CBitmap* button = views.bitmap(15046);
    const struct {
        long tag;
        int x, y;
    } commands[] = {{editor_commands::import_program, 296, 21}, {editor_commands::export_program, 296, 44},
                    {editor_commands::copy_program, 406, 21},   {editor_commands::paste_program, 406, 44},
                    {editor_commands::store_program, 510, 21},  {editor_commands::reset_program, 510, 44}};
    for (const auto& c : commands)
        views.add<CKickButton>(container, CRect(c.x, c.y, c.x + 17, c.y + 17), editor, c.tag, 17, button);
    fill_program_names(fx);
}

void timbre_page::make_slider(Kaveos& fx, CViewContainer& container, int index, int x, int y) {
    auto* s = views.add<CVerticalSlider>(container, CRect(x, y, x + 32, y + 128), editor, tag_slider + index, y + 1,
                                         y + 128 - 10 - 1, handle, track, CPoint(0, 0), kBottom);
    s->setTransparency(true);
    s->setValue(fx.getParameter(index));
    sliders[size_t(index)] = s;
    auto* d = views.add<CParamDisplay>(container, CRect(x, y + 128, x + 32, y + 143),
                                       is_sync_display(index) ? sync_pictures : nullptr);
    d->setFont(kNormalFontSmall);
    displays[size_t(index)] = d;
    refresh_display(index, fx.getParameter(index), fx);
}

void timbre_page::make_rocker(Kaveos& fx, CViewContainer& container, int index, int x, int y) {
    auto* d = views.add<CParamDisplay>(container, CRect(x + 40, y, x + 78, y + 16));
    d->setFont(kNormalFontSmall);
    displays[size_t(index)] = d;
    refresh_display(index, fx.getParameter(index), fx);
    auto* r = views.add<CRockerSwitch>(container, CRect(x + 81, y, x + 115, y + 16), editor, tag_rocker + index, 16,
                                       rocker_picture, CPoint(0, 0), kHorizontal);
    r->setTransparency(true);
    rockers[size_t(index)] = r;
}

void timbre_page::fill_program_names(Kaveos& fx) {
    if (!menu) return;
    menu->removeAllEntry();
    for (int i = 0; i < Kaveos::num_programs; ++i) {
        char text[vst::kTextScratch] = {};
        fx.getProgramNameIndexed(0, i, text);
        menu->addEntry(text, i);
    }
    menu->setCurrent(fx.getProgram());
}

void timbre_page::refresh_display(int index, float value, Kaveos& fx) {
    CParamDisplay* d = displays[size_t(index)];
    if (!d) return;
    d->setValue(value);
    // The effect shows synced values with another converter, over another picture.
    display_fn convert = fx.display_function(index);
    if (convert != converters[size_t(index)]) {
        converters[size_t(index)] = convert;
        d->setStringConvert(convert);
        d->setDirty(true);
    }
    CPoint offset(0, 16 * sync_row(index, fx));
    if (!(offset == d->getBackOffset())) d->setBackOffset(offset);
}

void timbre_page::setParameter(int index, float value, Kaveos& fx) {
    if (index < 0 || index >= NUM_PARAMS) return;
    if (const sync_spec* s = sync_for(index)) refresh_display(s->display, fx.getParameter(s->display), fx);
    if (CParamDisplay* d = displays[size_t(index)]; d && !is_sync_display(index)) d->setValue(value);
    if (CSlider* s = sliders[size_t(index)]) s->setValue(value);
    // A rocker keeps showing its own press state, not the value it steps.
}

void timbre_page::program_changed(Kaveos& fx) {
    fill_program_names(fx);
    name_changed(fx);
}

void timbre_page::name_changed(Kaveos& fx) {
    if (!name) return;
    char text[vst::kTextScratch] = {};
    fx.getProgramName(text);
    name->setText(text);
    if (!menu) return;
    menu->setEntry(fx.getProgram(), text);
    menu->setCurrent(fx.getProgram());
}

void timbre_page::valueChanged(Kaveos& fx, CFrame*, CDrawContext*, CControl* control) {
    const long tag = control->getTag();
    const float v = control->getValue();
    if (tag >= tag_slider && tag < tag_slider + NUM_PARAMS) {
        const int index = int(tag - tag_slider);
        fx.setParameterAutomated(index, v);
        const float held = fx.getParameter(index);
        control->setValue(held);
        if (CParamDisplay* d = displays[size_t(index)]) d->setValue(held);
        return;
    }
    if (tag >= tag_rocker && tag < tag_rocker + NUM_PARAMS) {
        const int index = int(tag - tag_rocker);
        if (v > 0.9f || v < -0.9f) {
            const float next = rocker_step(index, fx.getParameter(index), v > 0.0f ? 1 : -1);
            if (next >= 0.0f) fx.setParameterAutomated(index, next);
        }
        setParameter(index, fx.getParameter(index), fx);
        return;
    }
    switch (tag) {
        case tag_program_name:
            editor_commands::rename_program(*editor, fx.getProgram(), name ? name->getText() : std::string());
            break;
        case tag_program_menu:
            if (menu) editor_commands::select_program(*editor, menu->getCurrent());
            break;
        case tag_program_step:
            // The release (0) selects nothing: the press already did.
            if (v > 0.9f || v < -0.9f) editor_commands::step_program(*editor, v > 0.0f ? 1 : -1);
            break;
        default:
            if (v > 0.5f) editor_commands::run_program_command(*editor, tag);
            break;
    }
}
