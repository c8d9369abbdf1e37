// File dialogs through stand-in zenity and kdialog scripts on a private PATH.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/dialog_stand_in.h"
#include "tests/toolkit_helpers.h"
#include "toolkit/cmodal.h"
#include "toolkit/file_dialog.h"

using namespace VSTGUI;
namespace fs = std::filesystem;

namespace {

file_dialog_request program_request(bool save) {
    file_dialog_request r;
    r.save = save;
    r.title = save ? "Export program" : "Import program";
    r.filters = {{"All", "*.*"}, {"Kaveos Program (.kvp)", "*.kvp"}};
    r.selected_filter = 1;
    return r;
}

using fake_path = test::dialog_stand_in;

file_dialog::state wait(file_dialog& d) {
    for (int i = 0; i < 500; ++i) {
        file_dialog::state s = d.poll();
        if (s != file_dialog::state::running) return s;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return file_dialog::state::running;
}

}  // namespace

TEST(FileDialog, ZenityArgumentsPutTheChosenFilterFirst) {
    auto a = file_dialog::zenity_arguments(program_request(true));
    std::vector<std::string> expected{"zenity",
                                      "--file-selection",
                                      "--title=Export program",
                                      "--save",
                                      "--confirm-overwrite",
                                      "--file-filter=Kaveos Program (.kvp) | *.kvp *.KVP",
                                      "--file-filter=All | *"};
    EXPECT_EQ(a, expected);
}

TEST(FileDialog, KdialogArguments) {
    file_dialog_request r = program_request(false);
    r.parent_window = 0x400007;
    auto a = file_dialog::kdialog_arguments(r);
    std::vector<std::string> expected{"kdialog",  "--title",           "Import program", "--attach", "4194311",
                                      "--getopenfilename", ".", "*.kvp *.KVP|Kaveos Program (.kvp)\n*|All"};
    EXPECT_EQ(a, expected);
}

TEST(FileDialog, ChosenPathAndCancel) {
    fake_path path;
    path.program("zenity", "/home/me/my.dir/patch");
    auto d = file_dialog::start(program_request(true));
    EXPECT_EQ(wait(*d), file_dialog::state::chosen);
    EXPECT_EQ(d->path(), "/home/me/my.dir/patch");
    auto args = path.args();
    ASSERT_FALSE(args.empty());
    EXPECT_EQ(args[0], "--file-selection");

    path.program("zenity", "", 1);  // cancelled
    d = file_dialog::start(program_request(false));
    EXPECT_EQ(wait(*d), file_dialog::state::cancelled);
    EXPECT_EQ(d->path(), "");
}

TEST(FileDialog, KdialogWhenZenityIsMissing) {
    fake_path path;
    path.program("kdialog", "/tmp/bank.kvb");
    auto d = file_dialog::start(program_request(false));
    EXPECT_EQ(wait(*d), file_dialog::state::chosen);
    EXPECT_EQ(d->path(), "/tmp/bank.kvb");
    EXPECT_EQ(path.args().at(0), "--title");
}

TEST(FileDialog, NeitherInstalledSaysWhatToInstall) {
    fake_path path;
    auto d = file_dialog::start(program_request(false));
    EXPECT_EQ(d->poll(), file_dialog::state::failed);
    EXPECT_NE(d->error().find("zenity"), std::string::npos);

    test::headless_frame f;
    int calls = 0;
    std::string got = "unset";
    runFileDialog(&f.frame, program_request(false), [&](const std::string& p) {
        ++calls;
        got = p;
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(got, "");
    auto* box = dynamic_cast<CModalBox*>(f.frame.getTopOverlay());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->getCaption(), "Error");
}

TEST(FileDialog, FrameIdleDeliversTheChoiceWithoutBlocking) {
    fake_path path;
    path.program("zenity", "/tmp/in.kvp");
    test::headless_frame f;
    std::string got;
    runFileDialog(&f.frame, program_request(false), [&](const std::string& p) { got = p; });
    for (int i = 0; i < 500 && got.empty(); ++i) {
        f.frame.idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(got, "/tmp/in.kvp");
}

TEST(FileDialog, ClosingTheFrameEndsARunningDialog) {
    fake_path path;
    fs::path p = path.dir / "zenity";
    fs::path pid_file = path.dir / "pid";
    {
        std::ofstream s(p);
        s << "#!/bin/sh\necho $$ > '" << pid_file.string() << "'\nexec /bin/sleep 30\n";
    }
    fs::permissions(p, fs::perms::owner_all);
    pid_t child = 0;
    {
        test::headless_frame f;
        bool called = false;
        runFileDialog(&f.frame, program_request(false), [&](const std::string&) { called = true; });
        for (int i = 0; i < 500 && !fs::exists(pid_file); ++i) {
            f.frame.idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::ifstream(pid_file) >> child;
        ASSERT_GT(child, 0);
        EXPECT_EQ(::kill(child, 0), 0);  // still open
        EXPECT_FALSE(called);
    }
    EXPECT_NE(::kill(child, 0), 0);  // ended and reaped with the frame
}
