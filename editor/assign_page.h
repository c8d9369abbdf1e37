// The assign page: the eight rows of the modulation matrix (source, destination, amount),
// the delay, the MIDI controller assignments with the last controller received, and the
// bank commands. Menus name parameters by their long names: the short names repeat.
#pragma once

#include <array>
#include <vector>

#include "editor/editor_page.h"
#include "plugin/param_table.h"

class CText;

namespace VSTGUI {
class CHorizontalSwitch;
class CKickButton;
class COnOffButton;
class COptionMenu;
class CParamDisplay;
class CSlider;
}  // namespace VSTGUI

class assign_page : public editor_page {
public:
    // Control tags.
    static constexpr long tag_slider = 1000;       // + parameter index
    static constexpr long tag_switch = 2000;       // + parameter index
    static constexpr long tag_destination = 3000;  // + parameter index
    static constexpr long tag_source = 4000;       // + parameter index
    static constexpr long tag_controller_menu = 5000;
    static constexpr long tag_param_menu = 5001;
    static constexpr long tag_set = 5002;
    static constexpr long tag_save = 5003;

    // The matrix's choices: a source is one of 8, a destination a parameter index of 128.
    static constexpr int source_steps = 8;
    static constexpr int destination_steps = 128;
    // Controller menu entry k stands for controller k + 1: "(none)" is controller 1, which
    // the engine keeps for the modulation wheel, so it drives no parameter.
    static constexpr int controller_entries = 95;

    static constexpr const char* msg_midi_save_failed = "The MIDI settings could not be saved.";

    void show(KaveosEditor& editor, Kaveos& effect, VSTGUI::CViewContainer& container) override;
    void release() override;
    void setParameter(int index, float value, Kaveos& effect) override;
    void valueChanged(Kaveos& effect, VSTGUI::CFrame* frame, VSTGUI::CDrawContext* context,
                      VSTGUI::CControl* control) override;

    // A MIDI controller arrived: its number goes into the last-controller text and, for
    // one the menu offers, into the controller menu as a pick not yet set.
    void show_last_controller(int controller);

    // The parameters the destination menus list, and those the MIDI parameter menu lists
    // (the destinations, then the delay's five continuous parameters).
    static const std::vector<int>& destinations();
    static const std::vector<int>& midi_params();
    // What the delay filter switch sends for its control value.
    static float delay_filter_value(float switch_value);
    // The row of the tempo-sync picture the delay length display shows (0 when not synced).
    static int delay_length_row(const Kaveos& effect);

    // The controls, for tests: null where the page has none.
    VSTGUI::CSlider* slider(int index) const { return sliders[size_t(index)]; }
    VSTGUI::CParamDisplay* display(int index) const { return displays[size_t(index)]; }
    VSTGUI::COnOffButton* button(int index) const { return buttons[size_t(index)]; }
    VSTGUI::CHorizontalSwitch* filter_switch() const { return filter; }
    VSTGUI::COptionMenu* source_menu(int index) const { return sources[size_t(index)]; }
    VSTGUI::COptionMenu* destination_menu(int index) const { return destination_menus[size_t(index)]; }
    VSTGUI::COptionMenu* controller_menu() const { return controllers; }
    VSTGUI::COptionMenu* param_menu() const { return params; }
    CText* controller_text() const { return controller_label; }
    CText* param_text() const { return param_label; }
    CText* last_controller_text() const { return last_label; }
    VSTGUI::CKickButton* command(long tag) const;
    // Whether the page has a control that edits parameter index.
    bool edits(int index) const;

private:
    void make_assign(Kaveos& effect, VSTGUI::CViewContainer& container, int row);
    void make_slider(Kaveos& effect, VSTGUI::CViewContainer& container, int index, int x, int y);
    void delay_section(Kaveos& effect, VSTGUI::CViewContainer& container);
    void midi_section(Kaveos& effect, VSTGUI::CViewContainer& container);
    void bank_section(VSTGUI::CViewContainer& container);
    void fill_destinations(VSTGUI::COptionMenu& menu);
    void show_destination(VSTGUI::COptionMenu& menu, float value);
    void refresh_delay_length(Kaveos& effect);
    // Rebuilds the parameter menu and shows the controller that drives its parameter.
    void midi_refresh(Kaveos& effect);
    void show_controller_pick(bool pending);
    void show_last_text(int controller);
    void forget_controls();

    KaveosEditor* editor = nullptr;
    VSTGUI::CBitmap* delay_track = nullptr;
    VSTGUI::CBitmap* delay_handle = nullptr;
    VSTGUI::CBitmap* sync_pictures = nullptr;
    std::array<VSTGUI::CSlider*, NUM_PARAMS> sliders{};
    std::array<VSTGUI::CParamDisplay*, NUM_PARAMS> displays{};
    std::array<VSTGUI::COnOffButton*, NUM_PARAMS> buttons{};
    std::array<VSTGUI::COptionMenu*, NUM_PARAMS> sources{};
    std::array<VSTGUI::COptionMenu*, NUM_PARAMS> destination_menus{};
    VSTGUI::CHorizontalSwitch* filter = nullptr;
    display_fn length_converter = nullptr;
    VSTGUI::COptionMenu* controllers = nullptr;
    VSTGUI::COptionMenu* params = nullptr;
    CText* controller_label = nullptr;
    CText* param_label = nullptr;
    CText* last_label = nullptr;
    std::array<VSTGUI::CKickButton*, 5> commands{};  // Set, Save, then the three bank buttons
};
