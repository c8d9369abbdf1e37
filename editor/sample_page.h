// The sample page: the two sample sets of the current program, one at a time (OSC1 set A,
// OSC2 set B), slot by slot: the slot list, the selected slot's waveform, Load sample
// (and files dropped on the waveform or the list), the keyboard that assigns keys to the
// selected slot, and the slot's transpose and finetune.
//
// An import runs on a worker (sample_import_job) while the page goes on: its target is
// fixed at the click, its progress is drawn into the waveform view, and idle calls install
// the result. Closing the editor stops and waits for it.
#pragma once

#include <memory>
#include <string>

#include "editor/editor_page.h"

class CKeyboard;
class CListbox;
class CWaveview;
class sample_import_job;

namespace VSTGUI {
class CKickButton;
class CKnob;
class COnOffButton;
class CParamDisplay;
}  // namespace VSTGUI

class sample_page : public editor_page {
public:
    // Control tags.
    enum : long {
        tag_list = 10,
        tag_load = 11,
        tag_waveview = 20,
        tag_finetune = 21,
        tag_transpose = 22,
        tag_keyboard = 30,
        tag_osc1 = 41,
        tag_osc2 = 42,
    };

    sample_page();
    ~sample_page() override;

    void show(KaveosEditor& editor, Kaveos& effect, VSTGUI::CViewContainer& container) override;
    // Stops a running import first: nothing of it is installed.
    void release() override;
    void valueChanged(Kaveos& effect, VSTGUI::CFrame* frame, VSTGUI::CDrawContext* context,
                      VSTGUI::CControl* control) override;
    void program_changed(Kaveos& effect) override;

    // The list's names, the selected slot's picture, key map and tuning, from the effect.
    void refreshWavelist(Kaveos& effect);
    // Progress of the pitch analysis of a sample being imported, 0 to 1.
    void set_scan_fraction(double fraction);

    // What Load sample does once the dialog has answered, and what a drop does: imports
    // the file into the selected slot of the selected set. False (and a message says
    // why) while another import runs.
    bool load_file(const std::string& path);
    bool import_running() const { return job != nullptr; }

    // 0 set A, 1 set B; the slot 0 to 7.
    int selected_set() const;
    int selected_slot() const;

    // The value texts of the two displays (the knob values are (semitones + 24) / 48 and
    // cents / 100).
    static void transpose_text(float value, char* text, size_t capacity);
    static void finetune_text(float value, char* text, size_t capacity);
    // What a knob's value stores: the nearest whole semitone or cent.
    static int transpose_of(float value);
    static int finetune_of(float value);

    // The controls, for tests: null before show.
    VSTGUI::COnOffButton* osc_button(int set) const { return set == 0 ? osc1 : osc2; }
    CListbox* slot_list() const { return list; }
    CWaveview* waveform_view() const { return view; }
    VSTGUI::CKickButton* load_button() const { return load; }
    CKeyboard* keyboard() const { return keys; }
    VSTGUI::CKnob* transpose_knob() const { return xpose_knob; }
    VSTGUI::CKnob* finetune_knob() const { return fine_knob; }
    VSTGUI::CParamDisplay* transpose_display() const { return xpose_display; }
    VSTGUI::CParamDisplay* finetune_display() const { return fine_display; }

    // The messages the page shows.
    static constexpr const char* load_error_caption = "Error loading sample";
    static constexpr const char* error_caption = "Error";
    static constexpr const char* msg_load_failed = "The sample could not be loaded.";
    static constexpr const char* msg_program_changed =
        "The program changed while the sample was loading; the sample was not installed.";
    static constexpr const char* msg_busy = "A sample is still loading. Load the next one once it is in its slot.";

private:
    void forget_controls();
    void choose_file();
    bool drop(void** items, long count, long type);
    // refreshWavelist; picture_shown: the view already shows the selected slot's sample.
    void refresh(Kaveos& effect, bool picture_shown);
    // The selected slot into the view, the keyboard, the knobs and the displays.
    void show_slot(Kaveos& effect, bool picture_shown = false);
    void show_import_progress();
    void show_key_map(Kaveos& effect);
    // An idle call while an import runs; false once it is over.
    bool poll_import();
    void finish_import();
    bool view_targets_import() const;
    void message(const char* caption, const char* text);

    KaveosEditor* editor = nullptr;
    Kaveos* effect = nullptr;
    VSTGUI::COnOffButton* osc1 = nullptr;
    VSTGUI::COnOffButton* osc2 = nullptr;
    CWaveview* view = nullptr;
    CListbox* list = nullptr;
    VSTGUI::CKickButton* load = nullptr;
    CKeyboard* keys = nullptr;
    VSTGUI::CKnob* xpose_knob = nullptr;
    VSTGUI::CParamDisplay* xpose_display = nullptr;
    VSTGUI::CKnob* fine_knob = nullptr;
    VSTGUI::CParamDisplay* fine_display = nullptr;

    std::unique_ptr<sample_import_job> job;
    bool program_replaced = false;  // since the running import started
    bool view_shows_import = false;  // the view holds the import's columns
};
