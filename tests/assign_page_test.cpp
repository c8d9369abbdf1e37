// The assign page, headless: the matrix menus and amounts, the delay controls with their
// exact values, MIDI controller assignment from the page (learned from a controller moved,
// set, saved and read back by a new instance), the bank buttons, and every parameter
// having a place on the timbre or the assign page.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "editor/assign_page.h"
#include "editor/ctext.h"
#include "editor/program_commands.h"
#include "editor/timbre_page.h"
#include "platform/paths.h"
#include "tests/dialog_stand_in.h"
#include "tests/editor_fixture.h"
#include "tests/program_fixture.h"
#include "tests/temp_dir.h"
#include "toolkit/cmenuview.h"
#include "toolkit/coptionmenu.h"
#include "toolkit/cslider.h"
#include "toolkit/cswitches.h"

using namespace VSTGUI;
namespace fs = std::filesystem;
using test::open_editor;

namespace {

// An editor showing the assign page.
struct assign_editor : open_editor {
    assign_page& page;
    assign_editor() : page(ed.assign()) { click(centre(ed.page_button(KaveosEditor::page_assign))); }

    std::vector<float> automated(int index) {
        std::vector<float> v;
        for (auto [i, x] : automation())
            if (i == index) v.push_back(x);
        return v;
    }
    // Opens a menu with a click and clicks its entry in the pop-up.
    void choose(COptionMenu* menu, long entry) {
        click(centre(menu));
        auto* level = dynamic_cast<CMenuView*>(frame().getTopOverlay());
        ASSERT_NE(level, nullptr);
        CRect r = level->itemRect(entry);
        click({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        ASSERT_EQ(frame().getTopOverlay(), nullptr);
    }
    // The window point at fraction f of a control's width, on its middle line.
    static CPoint across(const CView* v, double f) {
        CRect r = v->getFrameRect();
        return {int(r.left + f * r.width()), (r.top + r.bottom) / 2};
    }
    bool yellow(const CText* t) { return t->getFontColor() == CColor{255, 255, 0, 0}; }
};

long position_of(const std::vector<int>& list, int p) {
    auto at = std::find(list.begin(), list.end(), p);
    return at == list.end() ? -1 : long(at - list.begin());
}

std::string read_all(const fs::path& p) {
    std::ifstream f(p);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

}  // namespace

TEST(AssignPage, ControlsSitWhereTheLayoutPutsThem) {
    assign_editor e;
    assign_page& p = e.page;
    const std::pair<const CView*, CRect> cases[] = {
        {p.source_menu(P_ASSIGN1_SRC), CRect(29, 35, 197, 55)},
        {p.destination_menu(P_ASSIGN8_DEST), CRect(199, 189, 419, 209)},
        {p.slider(P_ASSIGN3_AMOUNT), CRect(425, 81, 521, 96)},
        {p.display(P_ASSIGN3_AMOUNT), CRect(537, 81, 567, 96)},
        {p.slider(P_DELAY_TEMPO), CRect(110, 266, 142, 394)},
        {p.display(P_DELAY_CUTOFF), CRect(238, 399, 270, 414)},
        {p.button(P_DELAY_ON), CRect(46, 288, 77, 298)},
        {p.button(P_DELAY_SYNC), CRect(46, 362, 77, 372)},
        {p.filter_switch(), CRect(46, 399, 93, 409)},
        {p.controller_menu(), CRect(348, 274, 364, 290)},
        {p.controller_text(), CRect(315, 295, 355, 313)},
        {p.param_menu(), CRect(564, 274, 580, 290)},
        {p.param_text(), CRect(379, 295, 579, 313)},
        {p.command(assign_page::tag_set), CRect(303, 344, 368, 364)},
        {p.command(assign_page::tag_save), CRect(380, 344, 445, 364)},
        {p.last_controller_text(), CRect(297, 446, 593, 510)},
        {p.command(editor_commands::set_active_bank), CRect(30, 476, 95, 496)},
        {p.command(editor_commands::make_default_bank), CRect(190, 476, 255, 496)},
    };
    for (const auto& [view, want] : cases) {
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->getViewSize(), want);
        EXPECT_EQ(view->getParentView(), e.ed.page_container(KaveosEditor::page_assign));
    }
}

TEST(AssignPage, MatrixRowsSendTheirChoicesAndFollowTheHost) {
    assign_editor e;
    Kaveos& fx = *e.in.fx;
    const std::vector<int>& list = assign_page::destinations();
    ASSERT_EQ(list.size(), 38u);
    for (int row = 0; row < 8; ++row) {
        SCOPED_TRACE(row + 1);
        const int s = P_ASSIGN1_SRC + 3 * row;
        COptionMenu* source = e.page.source_menu(s);
        COptionMenu* destination = e.page.destination_menu(s + 1);
        ASSERT_TRUE(source && destination && e.page.slider(s + 2));
        // The fresh destination, 0, is no entry of the list: nothing is selected.
        EXPECT_EQ(destination->getCurrent(), -1);
        e.forget_automation();
        e.choose(source, 7);  // "Amp EG"
        EXPECT_EQ(e.automated(s), std::vector<float>{0.9375f});
        EXPECT_EQ(e.in.host.gestures, (std::vector<int>{s, -(s + 1)}));
        // The third entry is the third destination's parameter, not 2.5 / 128.
        e.choose(destination, 2);
        EXPECT_EQ(e.automated(s + 1), std::vector<float>{(float(list[2]) + 0.5f) / 128.0f});
        EXPECT_EQ(destination->getCurrent(), 2);
        // Host values at 1.0 select the last source and no destination (127 is none).
        fx.setParameter(s, 0.0f);
        e.idle();
        EXPECT_EQ(source->getCurrent(), 0);
        fx.setParameter(s, 1.0f);
        fx.setParameter(s + 1, 1.0f);
        e.idle();
        EXPECT_EQ(source->getCurrent(), 7);
        EXPECT_EQ(destination->getCurrent(), -1);
        EXPECT_EQ(destination->getNbEntries(), 38);
        fx.setParameter(s + 1, (float(P_FILTER_CUTOFF) + 0.5f) / 128.0f);
        e.idle();
        EXPECT_EQ(destination->entryText(destination->getCurrent()), "Filter cutoff");
    }
    // Entries are long names, each once: the short ones repeat ("Fine", "A", "Cut"...).
    COptionMenu* menu = e.page.destination_menu(P_ASSIGN1_DEST);
    std::set<std::string> names;
    for (long i = 0; i < menu->getNbEntries(); ++i) {
        EXPECT_EQ(menu->entryText(i), Kaveos::param_long_name(list[size_t(i)]));
        names.insert(menu->entryText(i));
    }
    EXPECT_EQ(names.size(), list.size());

    // The amount: a drag sends the value, and the host's comes back with its text.
    CSlider* amount = e.page.slider(P_ASSIGN1_AMOUNT);
    CRect h = amount->handleRect();
    CPoint grab = open_editor::in_window(amount, {(h.left + h.right) / 2, (h.top + h.bottom) / 2});
    e.forget_automation();
    e.press(grab);
    e.move({639, grab.v});
    e.release({639, grab.v});
    EXPECT_EQ(e.automated(P_ASSIGN1_AMOUNT), std::vector<float>{1.0f});
    EXPECT_EQ(e.text_of(e.page.display(P_ASSIGN1_AMOUNT)), "100%");
    fx.setParameter(P_ASSIGN1_AMOUNT, 0.25f);
    e.idle();
    EXPECT_EQ(amount->getValue(), 0.25f);
    EXPECT_EQ(e.text_of(e.page.display(P_ASSIGN1_AMOUNT)), "-50%");
}

TEST(AssignPage, DelaySwitchesSendExactValuesAndTheLengthFollowsTheSync) {
    assign_editor e;
    Kaveos& fx = *e.in.fx;
    // The filter switch: its three positions send exactly these values.
    CHorizontalSwitch* filter = e.page.filter_switch();
    const std::pair<double, float> positions[] = {{5.0 / 6, 0.8333333f}, {0.5, 0.5f}, {1.0 / 6, 0.16666667f}};
    for (auto [at, value] : positions) {
        e.forget_automation();
        e.click(assign_editor::across(filter, at));
        EXPECT_EQ(e.automated(P_DELAY_FILTER_TYPE), std::vector<float>{value});
    }
    fx.setParameter(P_DELAY_FILTER_TYPE, 1.0f);  // the host's HP
    e.idle();
    EXPECT_EQ(filter->getValue(), 1.0f);

    for (int index : {P_DELAY_ON, P_DELAY_TYPE, P_DELAY_SYNC}) {
        SCOPED_TRACE(index);
        COnOffButton* b = e.page.button(index);
        e.forget_automation();
        e.click(open_editor::centre(b));
        e.click(open_editor::centre(b));
        EXPECT_EQ(e.automated(index), (std::vector<float>{0.9f, 0.1f}));
        fx.setParameter(index, 0.75f);
        e.idle();
        EXPECT_EQ(b->getValue(), 0.75f);
    }

    // Synced, the length shows no text but a picture row: 1 + trunc(8 x value), at most 8.
    CParamDisplay* length = e.page.display(P_DELAY_LENGTH);
    fx.setParameter(P_DELAY_SYNC, 0.1f);
    fx.setParameter(P_DELAY_LENGTH, 0.3f);
    e.idle();
    char text[32];
    display_delay_length(0.3f, text, sizeof text);
    EXPECT_EQ(e.text_of(length), text);
    EXPECT_EQ(length->getBackOffset(), CPoint(0, 0));
    e.click(open_editor::centre(e.page.button(P_DELAY_SYNC)));  // on, at once
    EXPECT_EQ(e.text_of(length), "");
    EXPECT_EQ(length->getBackOffset(), CPoint(0, 16 * 3));
    fx.setParameter(P_DELAY_LENGTH, 1.0f);
    e.idle();
    EXPECT_EQ(length->getBackOffset(), CPoint(0, 16 * 8));
    fx.setParameter(P_DELAY_SYNC, 0.1f);
    e.idle();
    EXPECT_EQ(e.text_of(length), "1000ms");
    EXPECT_EQ(length->getBackOffset(), CPoint(0, 0));
    // The other sliders edit their parameters and show the host's values.
    for (int index = P_DELAY_TEMPO; index <= P_DELAY_CUTOFF; ++index) {
        fx.setParameter(index, 0.0f);
        e.idle();
        EXPECT_EQ(e.page.slider(index)->getValue(), 0.0f);
        e.click(open_editor::in_window(e.page.slider(index), {e.page.slider(index)->getViewSize().left + 16, 267}));
        EXPECT_GT(fx.getParameter(index), 0.9f) << index;
        EXPECT_EQ(e.page.display(index)->getValue(), fx.getParameter(index));
    }
}

TEST(AssignPage, SetMovesAControllerAndNoneLeavesTheParameterUndriven) {
    assign_editor e;
    Kaveos& fx = *e.in.fx;
    assign_page& p = e.page;
    // First show: the first parameter, with the controller the built-in table gives it.
    ASSERT_EQ(p.param_menu()->getNbEntries(), long(assign_page::midi_params().size()));
    EXPECT_EQ(p.param_menu()->getCurrent(), 0);
    EXPECT_EQ(p.param_text()->getText(), "Oscillator balance");
    EXPECT_EQ(p.controller_text()->getText(), "47");
    EXPECT_FALSE(e.yellow(p.controller_text()));

    // Filter resonance/Q (71) gets controller 74, which drove Filter cutoff.
    e.choose(p.param_menu(), position_of(assign_page::midi_params(), P_FILTER_RES));
    EXPECT_EQ(p.controller_text()->getText(), "71");
    e.choose(p.controller_menu(), 73);
    EXPECT_EQ(p.controller_text()->getText(), "74");
    EXPECT_TRUE(e.yellow(p.controller_text()));
    e.click(open_editor::centre(p.command(assign_page::tag_set)));
    EXPECT_FALSE(e.yellow(p.controller_text()));
    EXPECT_EQ(fx.controller_to_param(74), P_FILTER_RES);
    EXPECT_EQ(fx.controller_to_param(71), -1);
    EXPECT_EQ(fx.param_to_controller(P_FILTER_CUTOFF), -1);
    e.choose(p.param_menu(), position_of(assign_page::midi_params(), P_FILTER_CUTOFF));
    EXPECT_EQ(p.controller_text()->getText(), "(none)");

    // "(none)" is controller 1, the modulation wheel: the balance is then driven by nothing.
    e.choose(p.param_menu(), 0);
    e.choose(p.controller_menu(), 0);
    EXPECT_TRUE(e.yellow(p.controller_text()));
    e.choose(p.param_menu(), 0);  // a parameter pick refreshes the section
    EXPECT_EQ(p.controller_text()->getText(), "47");
    EXPECT_FALSE(e.yellow(p.controller_text()));
    e.choose(p.controller_menu(), 0);
    e.click(open_editor::centre(p.command(assign_page::tag_set)));
    EXPECT_EQ(fx.param_to_controller(P_OSC_BALANCE), 1);
    EXPECT_EQ(p.controller_text()->getText(), "(none)");
    fx.setParameter(P_OSC_BALANCE, 0.0f);
    fx.setParameter(P_FILTER_CUTOFF, 0.0f);
    fx.setParameter(P_FILTER_RES, 0.0f);
    for (int cc : {47, 71, 74, 1}) e.in.controller(cc, 127);
    e.in.render(1);
    EXPECT_EQ(fx.getParameter(P_OSC_BALANCE), 0.0f);
    EXPECT_EQ(fx.getParameter(P_FILTER_CUTOFF), 0.0f);
    EXPECT_EQ(fx.getParameter(P_FILTER_RES), 1.0f);
}

TEST(AssignPage, AControllerLearnedOnThePageDrivesItsParameterAfterARestart) {
    test::scoped_data_home home;
    {
        assign_editor e;
        Kaveos& fx = *e.in.fx;
        assign_page& p = e.page;
        e.choose(p.param_menu(), position_of(assign_page::midi_params(), P_DELAY_LENGTH));
        EXPECT_EQ(p.param_text()->getText(), "Delay length");
        EXPECT_EQ(p.controller_text()->getText(), "43");
        e.in.controller(20, 10);  // drives OSC1 Offset by the built-in table
        e.in.render(1);
        EXPECT_EQ(p.last_controller_text()->getText(), "");  // shown at the next idle, not before
        e.idle();
        EXPECT_EQ(p.last_controller_text()->getText(), "Last CC received: 20");
        EXPECT_EQ(p.controller_text()->getText(), "20");
        EXPECT_TRUE(e.yellow(p.controller_text()));
        e.click(open_editor::centre(p.command(assign_page::tag_set)));
        EXPECT_FALSE(e.yellow(p.controller_text()));
        const float offset = fx.getParameter(P_OSC1_OFFSET);
        e.in.controller(20, 127);
        e.in.controller(43, 0);  // the length's old controller drives nothing now
        e.in.render(1);
        EXPECT_EQ(fx.getParameter(P_DELAY_LENGTH), 1.0f);
        EXPECT_EQ(fx.getParameter(P_OSC1_OFFSET), offset);
        // A controller the menu does not offer only shows as the last one received.
        e.in.controller(100, 1);
        e.in.render(1);
        e.idle();
        EXPECT_EQ(p.last_controller_text()->getText(), "Last CC received: 100");
        EXPECT_EQ(p.controller_text()->getText(), "20");

        e.click(open_editor::centre(p.command(assign_page::tag_save)));
        EXPECT_EQ(e.box(), nullptr);
        const std::string saved = read_all(platform::prefs_file());
        EXPECT_NE(saved.find("assign_midi_cc 20 78\n"), std::string::npos) << saved;
        EXPECT_EQ(saved.find("assign_midi_cc 43 "), std::string::npos) << saved;
    }
    assign_editor again;
    Kaveos& fx = *again.in.fx;
    EXPECT_EQ(fx.controller_to_param(20), P_DELAY_LENGTH);
    EXPECT_EQ(fx.controller_to_param(43), -1);
    again.choose(again.page.param_menu(), position_of(assign_page::midi_params(), P_DELAY_LENGTH));
    EXPECT_EQ(again.page.controller_text()->getText(), "20");
    again.in.controller(20, 0);
    again.in.render(1);
    EXPECT_EQ(fx.getParameter(P_DELAY_LENGTH), 0.0f);
}

TEST(AssignPage, BankButtonsChangeTheProgramMenuAndFailuresSaySo) {
    test::scoped_data_home home;
    test::temp_dir dir;
    test::dialog_stand_in dialog;
    fs::create_directories(platform::prefs_file());  // a folder where the file would go
    assign_editor e;
    Kaveos& fx = *e.in.fx;
    auto press = [&](long tag) { e.click(open_editor::centre(e.page.command(tag))); };
    auto message = [&] {
        EXPECT_TRUE(e.idle_until([&] { return e.box() != nullptr; }));
        std::string line = e.box() ? e.box()->getLines().at(0) : "";
        if (e.box()) e.box()->press(0);
        return line;
    };
    press(assign_page::tag_save);
    EXPECT_EQ(message(), assign_page::msg_midi_save_failed);

    COptionMenu* programs = e.ed.timbre().program_menu();
    dialog.answer((dir / "mine").string());
    press(editor_commands::create_new_bank);
    ASSERT_TRUE(e.idle_until([&] { return fx.active_bank().path() == dir / "mine.kvb"; }));
    ASSERT_TRUE(e.idle_until([&] { return programs->entryText(5) == "(empty)"; }));
    press(editor_commands::make_default_bank);
    EXPECT_EQ(message(), editor_commands::msg_default_failed);
    {
        std::ofstream out(dir / "numbered.kvb", std::ios::binary);
        auto bytes = test::bank_bytes(test::numbered_programs(128));
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    dialog.answer((dir / "numbered.kvb").string());
    press(editor_commands::set_active_bank);
    ASSERT_TRUE(e.idle_until([&] { return programs->entryText(5) == "P5"; }));
    std::vector<std::string> args = dialog.args();
    EXPECT_NE(std::find(args.begin(), args.end(), "--title=Set active bank"), args.end());
}

TEST(EditorPages, EveryParameterHasOneControlOnTheTimbreOrTheAssignPage) {
    open_editor e;
    const timbre_page& timbre = e.ed.timbre();
    const assign_page& assign = e.ed.assign();
    for (int i = 0; i < NUM_PARAMS; ++i) {
        SCOPED_TRACE(param_info(i).long_name);
        const bool on_timbre = timbre.slider(i) || timbre.rocker(i);
        // Left out on purpose: the placeholder, OSC2 Release mode and LFO compatibility.
        const bool left_out = i == P_PLACEHOLDER || i == P_OSC2_RELEASE || i == P_LFO_COMPAT;
        EXPECT_EQ(on_timbre || assign.edits(i), !left_out);
        EXPECT_FALSE(on_timbre && assign.edits(i));
    }
}
