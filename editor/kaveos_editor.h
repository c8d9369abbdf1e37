// The instrument's editor: a window of 640 x 599 with a top strip (three page buttons and
// the version) over one of three pages: sample, timbre and assign. It routes every control
// change to the page shown, and follows the effect through notifications that only mark
// what changed; the next idle call reads the effect and updates the controls.
#pragma once

#include <array>
#include <atomic>
#include <memory>

#include "kaveo_version.h"
#include "plugin/param_table.h"
#include "toolkit/ccontrol.h"
#include "vst/aeffguieditor.h"

class Kaveos;
class assign_page;
class editor_page;
class sample_page;
class timbre_page;
class CText;

namespace VSTGUI {
class CBitmap;
class COnOffButton;
class CViewContainer;
}  // namespace VSTGUI

class KaveosEditor : public AEffGUIEditor, public CControlListener {
public:
    static constexpr int width = 640;
    static constexpr int height = 599;
    static constexpr const char* version = kaveo_version::text;
    enum page_number : int { page_sample = 0, page_timbre = 1, page_assign = 2 };
    // Tags of the top strip's page buttons: 100 + page number.
    static constexpr long page_button_tag = 100;

    explicit KaveosEditor(Kaveos* effect);
    // Closes the window when the host never did; never calls into the effect.
    ~KaveosEditor() override;

    bool open(void* parent) override;
    void close() override;
    void idle() override;
    // Host gestures carry parameter indices: control tags are mapped first.
    void beginEdit(VstInt32 tag) override;
    void endEdit(VstInt32 tag) override;
    void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) override;

    // Notifications from the effect. They may come from any thread, the audio thread
    // included, and with the engine lock held: each only marks what changed.
    // index -1: the program name changed.
    void setParameter(VstInt32 index, float value) override;
    virtual void update_program();
    virtual void bank_has_changed();
    virtual void set_scan_pct(double fraction);
    virtual void show_last_controller(int controller);

    // The parameter a control tag edits (slider 1000 + i, switch 2000 + i, destination
    // menu 3000 + i, source menu 4000 + i), or -1 for tags that are no parameter.
    static int tag_to_param(long tag);

    bool is_shown() const { return open_flag; }
    // 0 sample, 1 timbre, 2 assign; -1 before the first open.
    int current_page() const { return page; }
    Kaveos& fx() const { return *kaveos; }
    VSTGUI::COnOffButton* page_button(int number) const;
    VSTGUI::CViewContainer* page_container(int number) const;
    timbre_page& timbre() const { return *timbre_pg; }
    sample_page& samples() const { return *sample_pg; }
    assign_page& assign() const { return *assign_pg; }

private:
    editor_page& page_object(int number) const;
    void clearPage();
    void changePage();
    // Reads what the notifications marked and hands it to the pages.
    void apply_pending();
    void forget_pending();
    void release_window_views();

    Kaveos* kaveos;
    bool open_flag = false;
    bool in_idle = false;
    int page = -1;
    bool redraw_pending = false;

    std::unique_ptr<sample_page> sample_pg;
    std::unique_ptr<timbre_page> timbre_pg;
    std::unique_ptr<assign_page> assign_pg;

    // Window objects: they live from open to close.
    std::unique_ptr<VSTGUI::CBitmap> strip_bitmap, page_bitmap;
    std::array<std::unique_ptr<VSTGUI::CBitmap>, 3> button_bitmaps;
    std::array<std::unique_ptr<VSTGUI::COnOffButton>, 3> buttons;
    std::array<std::unique_ptr<VSTGUI::CViewContainer>, 3> containers;
    std::unique_ptr<CText> version_text;

    // What the notifications marked. Written by any thread, read and cleared at idle.
    struct pending_updates {
        std::array<std::atomic<bool>, NUM_PARAMS> param{};
        std::atomic<bool> any_param{false};
        std::atomic<bool> name{false};
        std::atomic<bool> program{false};
        std::atomic<bool> bank{false};
        std::atomic<bool> scan{false};
        std::atomic<double> scan_fraction{1.0};
        std::atomic<bool> controller{false};
        std::atomic<int> last_controller{-1};
    } pending;
};
