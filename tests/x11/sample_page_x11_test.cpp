// The sample page in a real window on the X server: a file manager's drop of a WAV file
// on the waveform view imports it and a text file is refused, Load sample clicked in the
// window imports through the dialog, and the window closed in the middle of an import
// leaves no thread behind.
#include "tests/x11/x11_fixture.h"  // first: gtest before Xlib
#include "host/xdnd_source.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "editor/clistbox.h"
#include "editor/cwaveview.h"
#include "editor/kaveos_editor.h"
#include "editor/sample_page.h"
#include "tests/dialog_stand_in.h"
#include "tests/kaveos_fixture.h"
#include "tests/temp_dir.h"

using namespace VSTGUI;
namespace fs = std::filesystem;

namespace {

fs::path sine_wav(const test::temp_dir& dir, const std::string& name, double seconds) {
    fs::path p = dir / name;
    std::string command = "sox -n -r 44100 -b 16 -c 1 '" + p.string() + "' synth " + std::to_string(seconds) +
                          " sine 220 vol 0.5 >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return p;
}

// The editor opened by a host in its window, shown on the sample page.
struct window_editor {
    xtest::parent_window host;
    test::instrument in;
    KaveosEditor& ed;
    window_editor() : ed(*static_cast<KaveosEditor*>(in.fx->getEditor())) {}
    ~window_editor() {
        if (ed.is_shown()) ed.close();
    }
    bool open() {
        if (!host.dpy || !ed.open(host.handle())) return false;
        click(274, 17);  // the SAMPLE page button
        return idle_until([&] { return ed.current_page() == KaveosEditor::page_sample; });
    }
    sample_page& page() { return ed.samples(); }
    Window window() { return ed.getFrame()->getSystemWindow(); }
    // A press and release as the X server delivers them, at a point of the editor.
    void click(int x, int y) {
        for (int type : {ButtonPress, ButtonRelease}) {
            XEvent e{};
            e.xbutton.type = type;
            e.xbutton.display = host.dpy;
            e.xbutton.window = window();
            e.xbutton.root = DefaultRootWindow(host.dpy);
            e.xbutton.x = x;
            e.xbutton.y = y;
            e.xbutton.button = Button1;
            e.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
            e.xbutton.same_screen = True;
            XSendEvent(host.dpy, window(), True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
        }
        XFlush(host.dpy);
    }
    bool idle_until(const std::function<bool()>& done, int ms = 10000) {
        for (int i = 0; i < ms / 5; ++i) {
            ed.idle();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    // Drags a file manager's selection of uri onto (x, y); true when the drop was taken.
    bool drop(const std::string& uri, int x, int y) {
        host::drag_source source(host.dpy, uri + "\r\n");
        source.send(window(), source.enter, 5L << 24, long(source.uri_list), 0, 0);
        source.send(window(), source.position, 0, (long(x) << 16) | long(y), CurrentTime, 0);
        bool accepted = false, status_seen = false;
        idle_until([&] {
            source.serve(&accepted, &status_seen);
            return status_seen;
        });
        source.send(window(), source.drop, 0, CurrentTime, 0, 0);
        idle_until([&] { return source.serve(&accepted, &status_seen); });
        return accepted;
    }
};

int threads_of_this_process() {
    int n = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator("/proc/self/task")) ++n;
    return n;
}

}  // namespace

TEST(SamplePageX11, AWavDroppedOnTheWaveformImportsAndATextFileIsRefused) {
    test::temp_dir dir;
    const fs::path wav = sine_wav(dir, "from the file manager.wav", 0.5);
    std::ofstream(dir / "notes.txt") << "nothing to hear\n";
    window_editor w;
    ASSERT_TRUE(w.open());
    CWaveview* view = w.page().waveform_view();
    const CRect r = view->getFrameRect();
    const int x = (r.left + r.right) / 2, y = r.top + 60;

    EXPECT_FALSE(w.drop("file://" + (dir / "notes.txt").string(), x, y));
    EXPECT_FALSE(w.page().import_running());

    // The name as a file manager writes it, with the space escaped.
    std::string uri = "file://" + dir.path().string() + "/from%20the%20file%20manager.wav";
    EXPECT_TRUE(w.drop(uri, x, y));
    ASSERT_TRUE(w.idle_until([&] { return !w.page().import_running(); }));
    EXPECT_EQ(w.page().slot_list()->getItemName(0), "from the file manager.wav");
    EXPECT_EQ(w.in.fx->current().waves.waves[0].samples[0].frames, 22050);
    // The X server shows the sample: across the picture, columns reach from the centre
    // line most of the way to a quarter of its height (amplitude 0.5), and none above.
    for (int i = 0; i < 5; ++i) w.ed.idle();
    CRect pic = view->pictureRect();  // in the page's coordinates
    pic.offset(r.left - view->getViewSize().left, r.top - view->getViewSize().top);
    std::vector<uint32_t> shot = w.host.screenshot(640, 599);
    auto light = [&](int px, int py) { return (shot[size_t(py * 640 + px)] >> 16) > 0x90; };
    const int quarter = pic.top + pic.height() * 3 / 10;
    int columns = 0;
    for (int px = pic.left + 4; px < pic.right - 4; px += 10) columns += light(px, quarter) ? 1 : 0;
    EXPECT_GT(columns, 15);
    EXPECT_FALSE(light((pic.left + pic.right) / 2, pic.top + 8));
}

TEST(SamplePageX11, LoadSampleClickedInTheWindowImportsAndClosingMidImportLeavesNoThread) {
    test::temp_dir dir;
    const fs::path short_wav = sine_wav(dir, "short.wav", 0.5);
    const fs::path long_wav = sine_wav(dir, "long.wav", 20.0);
    test::dialog_stand_in dialog;
    const int threads = threads_of_this_process();
    window_editor w;
    ASSERT_TRUE(w.open());
    dialog.answer(short_wav.string());
    w.click(87, 378);  // LOAD
    ASSERT_TRUE(w.idle_until([&] { return w.page().slot_list()->getItemName(0) == "short.wav"; }));

    dialog.answer(long_wav.string());
    w.click(87, 378);
    ASSERT_TRUE(w.idle_until([&] { return w.page().waveform_view()->getScanFraction() < 1.0; }));
    w.ed.close();
    EXPECT_FALSE(w.page().import_running());
    EXPECT_EQ(threads_of_this_process(), threads);
    EXPECT_EQ(w.in.fx->current().waves.waves[0].names[0], "short.wav");
}
