// The editor shell and the timbre page, headless: page switching, every control bound to
// its parameter both ways, the rockers, the program bar, the commands through stand-in
// dialogs, and the notifications from other threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "editor/ctext.h"
#include "editor/cpopupedit.h"
#include "editor/program_commands.h"
#include "editor/timbre_page.h"
#include "sound/bank.h"
#include "tests/dialog_stand_in.h"
#include "tests/editor_fixture.h"
#include "tests/program_fixture.h"
#include "tests/temp_dir.h"
#include "toolkit/coptionmenu.h"
#include "toolkit/cslider.h"
#include "toolkit/cswitches.h"
#include "toolkit/cviewcontainer.h"
#include "vst/vst_text.h"

using namespace VSTGUI;
namespace fs = std::filesystem;
using test::open_editor;

namespace {

std::vector<float> button_values(const KaveosEditor& ed) {
    return {ed.page_button(0)->getValue(), ed.page_button(1)->getValue(), ed.page_button(2)->getValue()};
}

std::string converted(int index, float value, const Kaveos& fx) {
    char t[256];
    fx.display_function(index)(value, t, sizeof t);
    return t;
}

// The point of a rocker's right (+1) or left (-1) half, in window coordinates.
CPoint rocker_side(const CRockerSwitch* r, int side) {
    const CRect& s = r->getViewSize();
    int x = side > 0 ? s.right - s.width() / 4 : s.left + s.width() / 4;
    return open_editor::in_window(r, {x, (s.top + s.bottom) / 2});
}

void press_rocker(open_editor& e, const CRockerSwitch* r, int side) { e.click(rocker_side(r, side)); }

std::vector<float> automated(open_editor& e, int index) {
    std::vector<float> v;
    for (auto [i, x] : e.automation())
        if (i == index) v.push_back(x);
    return v;
}

// Drags a slider's handle to the top (value 1) or the bottom (value 0).
void drag_slider(open_editor& e, const CSlider* s, bool to_top) {
    CRect h = s->handleRect();
    CPoint grab = open_editor::in_window(s, {(h.left + h.right) / 2, (h.top + h.bottom) / 2});
    e.press(grab);
    CPoint end = grab;
    end.v = to_top ? 0 : 598;
    e.move(end);
    e.release(end);
}

bool has_no_control(int index) {
    return index == P_PLACEHOLDER || index == P_OSC2_RELEASE || (index >= P_ASSIGN1_SRC && index <= P_DELAY_CUTOFF) ||
           index == P_LFO_COMPAT;
}

}  // namespace

TEST(EditorShell, OpensOnTheTimbrePageAndThePageButtonsSwitchPages) {
    open_editor e(false);
    ERect* r = nullptr;
    ASSERT_EQ(e.in.dispatch(effEditGetRect, 0, 0, &r), 1);
    EXPECT_EQ(r->right - r->left, 640);
    EXPECT_EQ(r->bottom - r->top, 599);
    EXPECT_EQ(e.ed.current_page(), -1);
    for (int cycle = 0; cycle < 3; ++cycle) {
        e.open();
        EXPECT_EQ(e.ed.current_page(), 1);
        EXPECT_EQ(button_values(e.ed), (std::vector<float>{1, 0, 1}));
        EXPECT_TRUE(e.frame().isChild(e.ed.page_container(1)));
        EXPECT_FALSE(e.frame().isChild(e.ed.page_container(0)));
        // The shown page's button changes nothing.
        e.click(open_editor::centre(e.ed.page_button(1)));
        EXPECT_EQ(e.ed.current_page(), 1);
        EXPECT_EQ(button_values(e.ed), (std::vector<float>{1, 0, 1}));
        for (int page : {0, 2, 1}) {
            e.click(open_editor::centre(e.ed.page_button(page)));
            EXPECT_EQ(e.ed.current_page(), page);
            std::vector<float> want{1, 1, 1};
            want[size_t(page)] = 0;
            EXPECT_EQ(button_values(e.ed), want);
            for (int c = 0; c < 3; ++c) EXPECT_EQ(e.frame().isChild(e.ed.page_container(c)), c == page);
        }
        e.click(open_editor::centre(e.ed.page_button(2)));
        e.ed.close();
        EXPECT_EQ(e.ed.getFrame(), nullptr);
    }
    EXPECT_TRUE(e.in.host.gestures.empty());  // page buttons are no parameters
}

TEST(EditorShell, ControlTagsMapToParameterIndicesForHostGestures) {
    const std::pair<long, int> cases[] = {{1011, 11}, {2025, 25}, {3050, 50}, {4049, 49}, {1086, 86}, {1087, -1},
                                          {100, -1},  {11, -1},   {41, -1},   {203, -1},  {7000, -1}, {999, -1}};
    for (auto [tag, index] : cases) EXPECT_EQ(KaveosEditor::tag_to_param(tag), index) << tag;
}

TEST(EditorShell, AnEffectDeletedWithItsWindowOpenTakesTheWindowAlong) {
    test::instrument in;
    auto* ed = static_cast<KaveosEditor*>(in.fx->getEditor());
    ASSERT_TRUE(ed->open(nullptr));
    ed->setParameter(P_GAIN, 0.5f);
    in.fx.reset();  // no close first, as some hosts do; the sanitizers watch the rest
}

TEST(TimbrePage, EveryControlEditsItsParameterAndFollowsTheHost) {
    open_editor e;
    Kaveos& fx = *e.in.fx;
    timbre_page& page = e.ed.timbre();
    for (int i = 0; i < NUM_PARAMS; ++i) {
        SCOPED_TRACE(param_info(i).long_name);
        CSlider* s = page.slider(i);
        CRockerSwitch* r = page.rocker(i);
        ASSERT_EQ(s || r, !has_no_control(i));
        if (!s && !r) continue;
        ASSERT_NE(page.display(i), nullptr);
        e.forget_automation();
        if (s) {
            fx.setParameter(i, 0.5f);
            e.idle();
            e.forget_automation();
            drag_slider(e, s, true);
            EXPECT_EQ(automated(e, i), std::vector<float>{1.0f});
            EXPECT_EQ(fx.getParameter(i), 1.0f);
            EXPECT_EQ(e.in.host.gestures, (std::vector<int>{i, -(i + 1)}));
            drag_slider(e, s, false);
            EXPECT_EQ(fx.getParameter(i), 0.0f);
        } else {
            const int n = param_info(i).steps;
            e.in.choose(i, 0, n);
            e.idle();
            e.forget_automation();
            press_rocker(e, r, +1);
            EXPECT_EQ(automated(e, i), std::vector<float>{choice_to_value(1, n)});
            EXPECT_EQ(e.in.host.gestures, (std::vector<int>{i, -(i + 1)}));
            EXPECT_EQ(r->getValue(), 0.0f);  // back to rest
        }
        EXPECT_EQ(e.text_of(page.display(i)), converted(i, fx.getParameter(i), fx));
        // The host's automation comes back into the control at the next idle.
        const float host_value = s ? 0.3f : choice_to_value(param_info(i).steps - 1, param_info(i).steps);
        fx.setParameter(i, host_value);
        e.idle();
        if (s) {
            EXPECT_EQ(s->getValue(), host_value);
        }
        EXPECT_EQ(page.display(i)->getValue(), host_value);
        EXPECT_EQ(e.text_of(page.display(i)), converted(i, host_value, fx));
    }
}

TEST(TimbrePage, RockersStepExactChoicesAndStopAtTheEnds) {
    open_editor e;
    Kaveos& fx = *e.in.fx;
    timbre_page& page = e.ed.timbre();
    // Filter type stops at the sixth of its seven choices.
    e.in.choose(P_FILTER_TYPE, 0, 7);
    e.forget_automation();
    for (int k = 0; k < 10; ++k) press_rocker(e, page.rocker(P_FILTER_TYPE), +1);
    EXPECT_EQ(automated(e, P_FILTER_TYPE), (std::vector<float>{choice_to_value(1, 7), choice_to_value(2, 7),
                                                               choice_to_value(3, 7), choice_to_value(4, 7),
                                                               choice_to_value(5, 7)}));
    EXPECT_EQ(e.text_of(page.display(P_FILTER_TYPE)), "AnaLP");
    // A two-step switch already on, pressed up; and off, pressed down: nothing is sent.
    for (auto [choice, side] : {std::pair{1, +1}, std::pair{0, -1}}) {
        e.in.choose(P_LEGATO, choice, 2);
        e.idle();
        e.forget_automation();
        press_rocker(e, page.rocker(P_LEGATO), side);
        EXPECT_TRUE(automated(e, P_LEGATO).empty());
        EXPECT_EQ(e.text_of(page.display(P_LEGATO)), choice ? "On" : "Off");
    }
    // A value between the stored choices still steps to a neighbour's exact value.
    fx.setParameter(P_OSC1_WAVE, 0.99f);
    e.idle();
    e.forget_automation();
    press_rocker(e, page.rocker(P_OSC1_WAVE), -1);
    EXPECT_EQ(automated(e, P_OSC1_WAVE), std::vector<float>{choice_to_value(4, 6)});
}

TEST(TimbrePage, TempoSyncSwapsTheSpeedAndRateDisplaysAtOnce) {
    open_editor e;
    Kaveos& fx = *e.in.fx;
    timbre_page& page = e.ed.timbre();
    fx.setParameter(P_OSC1_SPEED, 0.2f);
    e.in.choose(P_OSC1_SYNC, 0, 2);
    e.idle();
    CParamDisplay* speed = page.display(P_OSC1_SPEED);
    EXPECT_EQ(e.text_of(speed), converted(P_OSC1_SPEED, 0.2f, fx));
    EXPECT_EQ(speed->getBackOffset(), CPoint(0, 0));
    // Synced from the page: the display's text and picture change with the same press.
    press_rocker(e, page.rocker(P_OSC1_SYNC), +1);
    EXPECT_EQ(fx.display_function(P_OSC1_SPEED), &display_sync_beats_23);
    EXPECT_EQ(speed->getBackOffset(), CPoint(0, 16 * 5));  // 1 + trunc(0.2 x 23)
    EXPECT_EQ(e.text_of(speed), "");
    fx.setParameter(P_OSC1_SPEED, 0.9f);  // beyond the pictured lengths: a count of beats
    e.idle();
    EXPECT_EQ(speed->getBackOffset(), CPoint(0, 16 * 9));
    EXPECT_EQ(e.text_of(speed), converted(P_OSC1_SPEED, 0.9f, fx));
    // The LFO rates follow their sync switch's middle step, set by the host.
    fx.setParameter(P_LFO2_FREQ, 0.3f);
    e.in.choose(P_LFO2_SYNC, 1, 3);
    e.idle();
    EXPECT_EQ(page.display(P_LFO2_FREQ)->getBackOffset(), CPoint(0, 16 * 5));  // 1 + trunc(0.3 x 15)
    e.in.choose(P_LFO2_SYNC, 2, 3);
    e.idle();
    EXPECT_EQ(page.display(P_LFO2_FREQ)->getBackOffset(), CPoint(0, 0));
    EXPECT_EQ(e.text_of(page.display(P_LFO2_FREQ)), converted(P_LFO2_FREQ, 0.3f, fx));
}

TEST(TimbrePage, ProgramBarFollowsTheHostAndSelectsPrograms) {
    test::scoped_data_home home;
    test::scoped_factory_bank factory(test::bank_bytes(test::numbered_programs(128)));
    open_editor e;
    Kaveos& fx = *e.in.fx;
    timbre_page& page = e.ed.timbre();
    ASSERT_EQ(page.program_menu()->getNbEntries(), 128);
    EXPECT_EQ(page.program_menu()->entryText(17), "P17");
    EXPECT_EQ(page.name_field()->getText(), "P0");
    e.idle();
    // A switch from the host: one drawing pass at the next idle, none at the one after.
    long passes = e.frame().getDrawPasses();
    fx.setProgram(3);
    EXPECT_EQ(page.name_field()->getText(), "P0");  // nothing happens inside the host's call
    e.idle();
    EXPECT_EQ(page.name_field()->getText(), "P3");
    EXPECT_EQ(page.program_menu()->getCurrent(), 3);
    EXPECT_EQ(e.frame().getDrawPasses(), passes + 1);
    e.idle();
    EXPECT_EQ(e.frame().getDrawPasses(), passes + 1);

    // The step rocker wraps at both ends; its release selects nothing.
    fx.setProgram(127);
    e.idle();
    press_rocker(e, page.program_step(), +1);
    EXPECT_EQ(fx.getProgram(), 0);
    press_rocker(e, page.program_step(), -1);
    EXPECT_EQ(fx.getProgram(), 127);
    e.press(rocker_side(page.program_step(), -1));
    EXPECT_EQ(fx.getProgram(), 126);
    fx.setProgram(9);  // the host switches while the rocker is held
    e.release(rocker_side(page.program_step(), -1));
    EXPECT_EQ(fx.getProgram(), 9);

    // The menu: a choice selects that program.
    e.click(open_editor::centre(page.program_menu()));
    ASSERT_NE(e.frame().getTopOverlay(), nullptr);
    page.program_menu()->takeChoice(page.program_menu(), 42);
    EXPECT_EQ(fx.getProgram(), 42);
    EXPECT_GT(e.in.host.display_updates, 0);  // the host hears of programs chosen here
}

TEST(TimbrePage, RenamingCutsTheNameAndKeepsToTheProgramItBeganOn) {
    test::scoped_data_home home;
    test::scoped_factory_bank factory(test::bank_bytes(test::numbered_programs(128)));
    open_editor e;
    Kaveos& fx = *e.in.fx;
    CPopupEdit* field = e.ed.timbre().name_field();
    e.click(open_editor::centre(field));
    ASSERT_NE(e.box(), nullptr);
    EXPECT_EQ(e.box()->getCaption(), "Program Name");
    e.key(VKEY_BACK);
    e.type("Warm pad with a very long tail \xC3\xA9t\xC3\xA9");  // 36 characters
    e.key(VKEY_RETURN);
    char name[vst::kTextScratch];
    fx.getProgramName(name);
    EXPECT_EQ(std::string(name), "Warm pad with a very lon");
    e.idle();
    EXPECT_EQ(field->getText(), "Warm pad with a very lon");
    EXPECT_EQ(e.ed.timbre().program_menu()->entryText(0), "Warm pad with a very lon");

    // The host switches while the box is open: the name stays where it was typed for.
    e.click(open_editor::centre(field));
    e.type(" 2");
    fx.setProgram(4);
    e.key(VKEY_RETURN);
    fx.getProgramName(name);
    EXPECT_EQ(std::string(name), "P4");
    ASSERT_NE(e.box(), nullptr);
    EXPECT_EQ(e.box()->getLines().at(0).substr(0, 19), "The program changed");
}

TEST(ProgramCommands, FileNamesGetTheirExtensionOnlyWhenTheNameHasNoDot) {
    using editor_commands::with_default_extension;
    EXPECT_EQ(with_default_extension("/home/me/my.dir/patch", ".kvp"), "/home/me/my.dir/patch.kvp");
    EXPECT_EQ(with_default_extension("/home/me/my.dir/patch.old", ".kvp"), "/home/me/my.dir/patch.old");
    EXPECT_EQ(with_default_extension("patch", ".kvb"), "patch.kvb");
    EXPECT_EQ(with_default_extension("/tmp/.hidden", ".kvb"), "/tmp/.hidden");
}

TEST(ProgramCommands, ExportImportAndStoreThroughTheDialogs) {
    test::scoped_data_home home;
    test::temp_dir dir;
    fs::create_directories(dir / "my.dir");
    test::dialog_stand_in dialog;
    open_editor e;
    Kaveos& fx = *e.in.fx;
    auto press_command = [&](long tag) {
        for (int i = 0; i < e.ed.page_container(1)->getNbViews(); ++i)
            if (auto* c = dynamic_cast<CControl*>(e.ed.page_container(1)->getView(i)); c && c->getTag() == tag)
                return e.click(open_editor::centre(c));
        FAIL() << "no control " << tag;
    };
    fx.rename_program(0, "Exported");
    const fs::path kvp = dir / "my.dir" / "patch.kvp";
    dialog.answer((dir / "my.dir" / "patch").string());
    press_command(editor_commands::export_program);
    ASSERT_TRUE(e.idle_until([&] { return fs::exists(kvp); }));
    std::vector<std::string> args = dialog.args();
    EXPECT_NE(std::find(args.begin(), args.end(), "--title=Export program"), args.end());
    // The same name again: the file now exists and is only replaced after the question.
    const auto size = fs::file_size(kvp);
    fx.rename_program(0, "Exported again, longer");
    press_command(editor_commands::export_program);
    ASSERT_TRUE(e.idle_until([&] { return e.box() != nullptr; }));
    EXPECT_EQ(e.box()->getCaption(), editor_commands::replace_caption);
    e.box()->press(1);  // Cancel
    e.idle();
    EXPECT_EQ(fs::file_size(kvp), size);
    press_command(editor_commands::export_program);
    ASSERT_TRUE(e.idle_until([&] { return e.box() != nullptr; }));
    e.box()->press(0);
    EXPECT_GT(fs::file_size(kvp), size);

    // Import: garbage is refused with the message and changes nothing; the file loads.
    std::ofstream(dir / "junk.kvp") << "not a program";
    dialog.answer((dir / "junk.kvp").string());
    press_command(editor_commands::import_program);
    ASSERT_TRUE(e.idle_until([&] { return e.box() != nullptr; }));
    EXPECT_EQ(e.box()->getLines().at(0), editor_commands::msg_import_failed);
    e.box()->press(0);
    fx.rename_program(0, "Before");
    dialog.answer(kvp.string());
    press_command(editor_commands::import_program);
    ASSERT_TRUE(e.idle_until([&] { return e.ed.timbre().name_field()->getText() == "Exported again, longer"; }));

    // No bank file to store into (this instrument started without one).
    press_command(editor_commands::store_program);
    ASSERT_NE(e.box(), nullptr);
    EXPECT_EQ(e.box()->getLines().at(0), editor_commands::msg_store_failed);
}

TEST(ProgramCommands, BankCommandsChangeTheProgramMenuAndRefuseToReplaceTheActiveBank) {
    test::scoped_data_home home;
    test::temp_dir dir;
    test::dialog_stand_in dialog;
    open_editor e;
    Kaveos& fx = *e.in.fx;
    timbre_page& page = e.ed.timbre();
    auto run = [&](long tag) {
        editor_commands::run_bank_command(e.ed, tag);
        e.idle_until([&] { return e.box() != nullptr || e.frame().getTopOverlay() == nullptr; });
    };
    // A default bank needs a bank file.
    run(editor_commands::make_default_bank);
    ASSERT_NE(e.box(), nullptr);
    EXPECT_EQ(e.box()->getLines().at(0), editor_commands::msg_no_bank_file);
    e.box()->press(0);

    dialog.answer((dir / "mine").string());
    editor_commands::run_bank_command(e.ed, editor_commands::create_new_bank);
    ASSERT_TRUE(e.idle_until([&] { return fx.active_bank().path() == dir / "mine.kvb"; }));
    e.idle();
    EXPECT_EQ(page.program_menu()->entryText(5), "(empty)");
    const auto written = fs::last_write_time(dir / "mine.kvb");
    editor_commands::run_bank_command(e.ed, editor_commands::create_new_bank);  // the same name
    ASSERT_TRUE(e.idle_until([&] { return e.box() != nullptr; }));
    EXPECT_EQ(e.box()->getLines().at(0).substr(0, 30), std::string(editor_commands::msg_active_bank).substr(0, 30));
    e.box()->press(0);
    EXPECT_EQ(fs::last_write_time(dir / "mine.kvb"), written);

    {
        std::ofstream out(dir / "numbered.kvb", std::ios::binary);
        auto bytes = test::bank_bytes(test::numbered_programs(128));
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    std::ofstream(dir / "junk.kvb") << "junk";
    dialog.answer((dir / "junk.kvb").string());
    editor_commands::run_bank_command(e.ed, editor_commands::set_active_bank);
    ASSERT_TRUE(e.idle_until([&] { return e.box() != nullptr; }));
    EXPECT_EQ(e.box()->getLines().at(0), editor_commands::msg_bank_load_failed);
    e.box()->press(0);
    EXPECT_EQ(fx.active_bank().path(), dir / "mine.kvb");
    dialog.answer((dir / "numbered.kvb").string());
    editor_commands::run_bank_command(e.ed, editor_commands::set_active_bank);
    ASSERT_TRUE(e.idle_until([&] { return page.program_menu()->entryText(5) == "P5"; }));
    EXPECT_EQ(page.name_field()->getText(), "P0");

    run(editor_commands::make_default_bank);
    EXPECT_EQ(e.box(), nullptr);
    EXPECT_EQ(fx.settings().default_bank, (dir / "numbered.kvb").string());
}

TEST(EditorShell, NotificationsFromOtherThreadsOnlyMarkAndTheNextIdleCatchesUp) {
    open_editor e;
    Kaveos& fx = *e.in.fx;
    std::atomic<bool> done{false};
    std::thread audio([&] {
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> index(0, NUM_PARAMS - 1);
        std::uniform_real_distribution<float> value(0.0f, 1.0f);
        for (int i = 0; i < 20000; ++i) {
            // What a host's automation thread and the audio thread do to the editor.
            fx.setParameter(index(rng), value(rng));
            if (i % 1000 == 0) {
                e.ed.update_program();
                e.ed.bank_has_changed();
                e.ed.set_scan_pct(0.5);
                e.ed.show_last_controller(7);
            }
        }
        done = true;
    });
    while (!done) e.idle();
    audio.join();
    e.idle();
    for (int i = 0; i < NUM_PARAMS; ++i)
        if (CSlider* s = e.ed.timbre().slider(i)) {
            EXPECT_EQ(s->getValue(), fx.getParameter(i)) << i;
        }
}
