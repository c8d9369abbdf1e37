#include "editor/assign_page.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "editor/ctext.h"
#include "editor/kaveos_editor.h"
#include "editor/program_commands.h"
#include "plugin/kaveos.h"
#include "sound/preferences.h"
#include "toolkit/cmodal.h"
#include "toolkit/coptionmenu.h"
#include "toolkit/cslider.h"
#include "toolkit/cswitches.h"

using namespace VSTGUI;

namespace {

constexpr const char* source_names[assign_page::source_steps] = {"Velocity", "Mod wheel", "Note",      "LFO1",
                                                                 "LFO2",     "LFO3",      "Filter EG", "Amp EG"};

// The delay's slider groups, left to right.
constexpr struct {
    int index, x;
} delay_sliders[] = {{P_DELAY_TEMPO, 110},
                     {P_DELAY_LENGTH, 142},
                     {P_DELAY_WET, 174},
                     {P_DELAY_FEEDBACK, 206},
                     {P_DELAY_CUTOFF, 238}};
constexpr int delay_slider_y = 266;

constexpr struct {
    int index, y;
} delay_buttons[] = {{P_DELAY_ON, 288}, {P_DELAY_TYPE, 325}, {P_DELAY_SYNC, 362}};

constexpr struct {
    long tag;
    int x, y;
} command_buttons[] = {{assign_page::tag_set, 303, 344},
                       {assign_page::tag_save, 380, 344},
                       {editor_commands::set_active_bank, 30, 476},
                       {editor_commands::create_new_bank, 110, 476},
                       {editor_commands::make_default_bank, 190, 476}};

constexpr CColor learn_yellow{255, 255, 0, 0};

// Where parameter p stands in the destination menus, or -1.
int destination_position(int p) {
    static const std::array<int, NUM_PARAMS> positions = [] {
        std::array<int, NUM_PARAMS> a{};
        a.fill(-1);
        const std::vector<int>& list = assign_page::destinations();
        for (size_t i = 0; i < list.size(); ++i) a[size_t(list[i])] = int(i);
        return a;
    }();
    return p >= 0 && p < NUM_PARAMS ? positions[size_t(p)] : -1;
}

// The text of controller menu entry k: "(none)", then the controller numbers.
std::string controller_name(long entry) { return entry <= 0 ? "(none)" : std::to_string(entry + 1); }

}  // namespace

const std::vector<int>& assign_page::destinations() { return modulatable_params(); }

const std::vector<int>& assign_page::midi_params() {
    static const std::vector<int> list = [] {
        std::vector<int> l = destinations();
        for (int p = P_DELAY_TEMPO; p <= P_DELAY_CUTOFF; ++p) l.push_back(p);
        return l;
    }();
    return list;
}

float assign_page::delay_filter_value(float switch_value) {
    // Exactly these three: choice_to_value(2, 3) in single precision would be 0.8333334.
    const int k = int(std::trunc(3.0f * (switch_value + 0.000001f)));
    return k == 0 ? 0.16666667f : k == 1 ? 0.5f : 0.8333333f;
}

int assign_page::delay_length_row(const Kaveos& fx) {
    const timbre& values = fx.current().params;
    if (!(values.value(P_DELAY_SYNC) > 0.499f)) return 0;
    const int d = 1 + int(std::trunc(8.0 * double(values.value(P_DELAY_LENGTH))));
    return d > 8 ? 8 : d;
}

CKickButton* assign_page::command(long tag) const {
    for (size_t i = 0; i < commands.size(); ++i)
        if (command_buttons[i].tag == tag) return commands[i];
    return nullptr;
}

bool assign_page::edits(int index) const {
    if (index < 0 || index >= NUM_PARAMS) return false;
    const size_t i = size_t(index);
    return sliders[i] || buttons[i] || sources[i] || destination_menus[i] || (index == P_DELAY_FILTER_TYPE && filter);
}

void assign_page::forget_controls() {
    sliders.fill(nullptr);
    displays.fill(nullptr);
    buttons.fill(nullptr);
    sources.fill(nullptr);
    destination_menus.fill(nullptr);
    commands.fill(nullptr);
    filter = nullptr;
    length_converter = nullptr;
    controllers = params = nullptr;
    controller_label = param_label = last_label = nullptr;
}

void assign_page::release() {
    forget_controls();
    editor_page::release();
}

void assign_page::show(KaveosEditor& ed, Kaveos& fx, CViewContainer& container) {
    release();
    editor = &ed;
    auto* matrix = views.add<CParamDisplay>(container, CRect(8, 8, 595, 234), views.bitmap(15014));
    matrix->setStringConvert(display_blank);
    matrix->setTransparency(true);
    for (int row = 1; row <= 8; ++row) make_assign(fx, container, row);
    delay_section(fx, container);
    midi_section(fx, container);
    bank_section(container);
}

void assign_page::make_assign(Kaveos& fx, CViewContainer& container, int row) {
    const int x = 29, y = 37 + 22 * (row - 1);
    const int s = P_ASSIGN1_SRC + 3 * (row - 1);
    auto* source = views.add<COptionMenu>(container, CRect(x, y - 2, x + 168, y + 18), editor, tag_source + s,
                                          views.bitmap(15010), views.bitmap(15011));
    source->setTextRect(CRect(x + 2, y - 2, x + 151, y + 18));
    source->setFont(kNormalFontSmall);
    source->setTransparency(true);
    for (const char* name : source_names) source->addEntry(name);
    sources[size_t(s)] = source;
    setParameter(s, fx.getParameter(s), fx);

    auto* destination = views.add<COptionMenu>(container, CRect(x + 170, y - 2, x + 390, y + 18), editor,
                                               tag_destination + s + 1, views.bitmap(15012), views.bitmap(15013));
    destination->setTextRect(CRect(x + 172, y - 2, x + 373, y + 18));
    destination->setFont(kNormalFontSmall);
    destination->setTransparency(true);
    fill_destinations(*destination);
    destination_menus[size_t(s + 1)] = destination;
    setParameter(s + 1, fx.getParameter(s + 1), fx);

    const int amount = s + 2;
    auto* slider = views.add<CHorizontalSlider>(container, CRect(x + 396, y, x + 492, y + 15), editor,
                                                tag_slider + amount, x + 397, x + 478, views.bitmap(15021),
                                                views.bitmap(15015), CPoint(0, 0), kLeft);
    slider->setOffsetHandle(CPoint(0, 3));
    slider->setDrawTransparentHandle(true);
    slider->setTransparency(true);
    sliders[size_t(amount)] = slider;
    auto* d = views.add<CParamDisplay>(container, CRect(x + 508, y, x + 538, y + 15));
    d->setFont(kNormalFontSmall);
    d->setStringConvert(fx.display_function(amount));
    displays[size_t(amount)] = d;
    setParameter(amount, fx.getParameter(amount), fx);
}

void assign_page::fill_destinations(COptionMenu& menu) {
    for (int p : destinations()) menu.addEntry(Kaveos::param_long_name(p));
}

void assign_page::show_destination(COptionMenu& menu, float value) {
    const int position = destination_position(value_to_choice(value, destination_steps));
    if (position >= 0) {
        menu.setCurrent(position);
    } else if (menu.getCurrent() >= 0) {
        // A destination the list does not hold (0 is the fresh value) shows no entry; a
        // menu drops its selection only when refilled.
        menu.removeAllEntry();
        fill_destinations(menu);
    }
}

void assign_page::make_slider(Kaveos& fx, CViewContainer& container, int index, int x, int y) {
    auto* s = views.add<CVerticalSlider>(container, CRect(x, y, x + 32, y + 128), editor, tag_slider + index, y + 1,
                                         y + 128 - 10 - 1, delay_handle, delay_track, CPoint(0, 0), kBottom);
    s->setTransparency(true);
    sliders[size_t(index)] = s;
    // The value sits 5 pixels lower than on the timbre page, over the panel's captions' row.
    auto* d = views.add<CParamDisplay>(container, CRect(x, y + 133, x + 32, y + 148),
                                       index == P_DELAY_LENGTH ? sync_pictures : nullptr);
    d->setFont(kNormalFontSmall);
    d->setFontColor(kWhiteCColor);
    d->setStringConvert(fx.display_function(index));
    displays[size_t(index)] = d;
    if (index == P_DELAY_LENGTH) refresh_delay_length(fx);
    setParameter(index, fx.getParameter(index), fx);
}

void assign_page::delay_section(Kaveos& fx, CViewContainer& container) {
    auto* panel = views.add<CParamDisplay>(container, CRect(8, 242, 281, 438), views.bitmap(15031));
    panel->setStringConvert(display_blank);
    panel->setTransparency(true);
    delay_track = views.bitmap(15006);
    delay_handle = views.bitmap(15023);
    sync_pictures = views.bitmap(15049);
    for (const auto& s : delay_sliders) make_slider(fx, container, s.index, s.x, delay_slider_y);
    CBitmap* button_picture = views.bitmap(15032);
    for (const auto& b : delay_buttons) {
        buttons[size_t(b.index)] = views.add<COnOffButton>(container, CRect(46, b.y, 77, b.y + 10), editor,
                                                           tag_switch + b.index, button_picture);
        setParameter(b.index, fx.getParameter(b.index), fx);
    }
    filter = views.add<CHorizontalSwitch>(container, CRect(46, 399, 93, 409), editor,
                                          tag_switch + P_DELAY_FILTER_TYPE, 3, 10, 3, views.bitmap(15033));
    setParameter(P_DELAY_FILTER_TYPE, fx.getParameter(P_DELAY_FILTER_TYPE), fx);
}

void assign_page::midi_section(Kaveos& fx, CViewContainer& container) {
    views.add<CText>(container, CRect(297, 242, 593, 438), "", true)->setBackground(views.bitmap(15037));
    CBitmap* menu_button = views.bitmap(15008);
    CBitmap* menu_open = views.bitmap(15009);
    controllers = views.add<COptionMenu>(container, CRect(348, 274, 364, 290), editor, tag_controller_menu,
                                         menu_button, menu_open, kNoTextStyle);
    controllers->setTransparency(true);
    for (long k = 0; k < controller_entries; ++k) controllers->addEntry(controller_name(k).c_str());
    controllers->setCurrent(0);
    controller_label = views.add<CText>(container, CRect(315, 295, 355, 313), "", true);
    controller_label->setFont(kNormalFontSmall);
    params = views.add<COptionMenu>(container, CRect(564, 274, 580, 290), editor, tag_param_menu, menu_button,
                                    menu_open, kNoTextStyle);
    params->setTransparency(true);
    param_label = views.add<CText>(container, CRect(379, 295, 579, 313), "", true);
    param_label->setFont(kNormalFontSmall);

    CBitmap* push = views.bitmap(15035);
    for (size_t i = 0; i < 2; ++i) {
        const auto& b = command_buttons[i];
        commands[i] = views.add<CKickButton>(container, CRect(b.x, b.y, b.x + 65, b.y + 20), editor, b.tag, 20, push);
    }
    midi_refresh(fx);

    last_label = views.add<CText>(container, CRect(297, 446, 593, 510), "", true);
    last_label->setBackground(views.bitmap(15036));
    last_label->setFontColor(kWhiteCColor);
    last_label->setTextRect(CRect(317, 450, 593, 510));
    // A controller that came before the window opened is still the last one received.
    if (fx.last_controller() >= 0) show_last_text(fx.last_controller());
}

void assign_page::bank_section(CViewContainer& container) {
    auto* panel = views.add<CParamDisplay>(container, CRect(8, 446, 280, 510), views.bitmap(15034));
    panel->setStringConvert(display_blank);
    panel->setTransparency(true);
    CBitmap* push = views.bitmap(15035);
    for (size_t i = 2; i < commands.size(); ++i) {
        const auto& b = command_buttons[i];
        commands[i] = views.add<CKickButton>(container, CRect(b.x, b.y, b.x + 65, b.y + 20), editor, b.tag, 20, push);
    }
}

void assign_page::show_controller_pick(bool pending) {
    if (!controllers || !controller_label) return;
    controller_label->setText(controller_name(controllers->getCurrent()).c_str());
    controller_label->setFontColor(pending ? learn_yellow : kWhiteCColor);
}

void assign_page::midi_refresh(Kaveos& fx) {
    if (!params || !controllers) return;
    const std::vector<int>& list = midi_params();
    long position = params->getCurrent();
    params->removeAllEntry();
    for (int p : list) params->addEntry(Kaveos::param_long_name(p));
    // The first show has no position to restore: it starts at the first parameter.
    if (position < 0 || position >= long(list.size())) position = 0;
    params->setCurrent(position);
    const int c = fx.param_to_controller(list[size_t(position)]);
    controllers->setCurrent(preferences::valid_controller(c) ? c - 1 : 0);
    show_controller_pick(false);
    if (param_label) param_label->setText(params->entryText(position).c_str());
}

void assign_page::show_last_text(int c) {
    char text[48];
    std::snprintf(text, sizeof text, "Last CC received: %d", c);
    last_label->setText(text);
}

void assign_page::show_last_controller(int c) {
    if (!last_label) return;
    show_last_text(c);
    // Moving a controller picks it, as a click in the menu would; Set assigns it.
    if (controllers && preferences::valid_controller(c)) {
        controllers->setCurrent(c - 1);
        show_controller_pick(true);
    }
}

void assign_page::refresh_delay_length(Kaveos& fx) {
    CParamDisplay* d = displays[P_DELAY_LENGTH];
    if (!d) return;
    // While the delay is synced the effect gives a converter that shows no text: the
    // picture shows the length.
    display_fn convert = fx.display_function(P_DELAY_LENGTH);
    if (convert != length_converter) {
        length_converter = convert;
        d->setStringConvert(convert);
    }
    CPoint offset(0, 16 * delay_length_row(fx));
    if (!(offset == d->getBackOffset())) d->setBackOffset(offset);
}

void assign_page::setParameter(int index, float value, Kaveos& fx) {
    if (index < 0 || index >= NUM_PARAMS) return;
    const size_t i = size_t(index);
    if (index == P_DELAY_SYNC || index == P_DELAY_LENGTH) refresh_delay_length(fx);
    if (CParamDisplay* d = displays[i]) d->setValue(value);
    if (CSlider* s = sliders[i]) s->setValue(value);
    if (COnOffButton* b = buttons[i]) {
        b->setValue(value);
        b->setDirty(true);
    }
    if (index == P_DELAY_FILTER_TYPE && filter) filter->setValue(float(value_to_choice(value, 3)) / 2.0f);
    // Values read as choices are clamped, so a host's 1.0 picks the last entry.
    if (COptionMenu* m = sources[i]) m->setCurrent(value_to_choice(value, source_steps));
    if (COptionMenu* m = destination_menus[i]) show_destination(*m, value);
}

void assign_page::valueChanged(Kaveos& fx, CFrame*, CDrawContext*, CControl* control) {
    const long tag = control->getTag();
    const float v = control->getValue();
    if (tag >= tag_slider && tag < tag_slider + NUM_PARAMS) {
        const int index = int(tag - tag_slider);
        fx.setParameterAutomated(index, v);
        setParameter(index, fx.getParameter(index), fx);
        return;
    }
    if (tag >= tag_switch && tag < tag_switch + NUM_PARAMS) {
        const int index = int(tag - tag_switch);
        fx.setParameterAutomated(index, index == P_DELAY_FILTER_TYPE ? delay_filter_value(v) : v > 0.5f ? 0.9f : 0.1f);
        setParameter(index, fx.getParameter(index), fx);
        return;
    }
    if (tag >= tag_destination && tag < tag_destination + NUM_PARAMS) {
        const int index = int(tag - tag_destination);
        const long position = static_cast<COptionMenu*>(control)->getCurrent();
        const std::vector<int>& list = destinations();
        if (position >= 0 && position < long(list.size()))
            fx.setParameterAutomated(index, float((list[size_t(position)] + 0.5) / destination_steps));
        setParameter(index, fx.getParameter(index), fx);
        return;
    }
    if (tag >= tag_source && tag < tag_source + NUM_PARAMS) {
        const int index = int(tag - tag_source);
        const long entry = static_cast<COptionMenu*>(control)->getCurrent();
        if (entry >= 0 && entry < source_steps) fx.setParameterAutomated(index, float((entry + 0.5) / source_steps));
        setParameter(index, fx.getParameter(index), fx);
        return;
    }
    switch (tag) {
        case tag_controller_menu: show_controller_pick(true); break;
        case tag_param_menu: midi_refresh(fx); break;
        case tag_set:
            if (v > 0.5f && controllers && params) {
                const long position = params->getCurrent();
                if (position >= 0 && position < long(midi_params().size()))
                    fx.assign_cc(int(controllers->getCurrent()) + 1, midi_params()[size_t(position)]);
                midi_refresh(fx);
            }
            break;
        case tag_save:
            if (v > 0.5f && !fx.save_midi_assignments())
                showMessageBox(editor ? editor->getFrame() : nullptr, editor_commands::error_caption,
                               msg_midi_save_failed);
            break;
        default:
            if (v > 0.5f && editor) editor_commands::run_bank_command(*editor, tag);
            break;
    }
}
