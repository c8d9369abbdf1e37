// The timbre page: the program bar (name, program menu and step rocker, the six program
// commands) and, in six panels, a control for every sound parameter of the program: a
// slider with its value below, or a value with a rocker that steps the choices.
#pragma once

#include <array>

#include "editor/editor_page.h"
#include "plugin/param_table.h"

class CPopupEdit;

namespace VSTGUI {
class COptionMenu;
class CParamDisplay;
class CRockerSwitch;
class CSlider;
}  // namespace VSTGUI

class timbre_page : public editor_page {
public:
    // Control tags.
    static constexpr long tag_slider = 1000;  // + parameter index
    static constexpr long tag_rocker = 2000;  // + parameter index
    static constexpr long tag_program_name = 203;
    static constexpr long tag_program_step = 7000;
    static constexpr long tag_program_menu = 7001;
    // The name field shows at most this many characters.
    static constexpr size_t name_chars = 24;

    void show(KaveosEditor& editor, Kaveos& effect, VSTGUI::CViewContainer& container) override;
    void release() override;
    void setParameter(int index, float value, Kaveos& effect) override;
    void valueChanged(Kaveos& effect, VSTGUI::CFrame* frame, VSTGUI::CDrawContext* context,
                      VSTGUI::CControl* control) override;
    void program_changed(Kaveos& effect) override;
    void name_changed(Kaveos& effect) override;
    void bank_changed(Kaveos& effect) override { fill_program_names(effect); }

    void fill_program_names(Kaveos& effect);

    // The controls, for tests: null where the page has none.
    VSTGUI::CSlider* slider(int index) const { return sliders[size_t(index)]; }
    VSTGUI::CRockerSwitch* rocker(int index) const { return rockers[size_t(index)]; }
    VSTGUI::CParamDisplay* display(int index) const { return displays[size_t(index)]; }
    CPopupEdit* name_field() const { return name; }
    VSTGUI::COptionMenu* program_menu() const { return menu; }
    VSTGUI::CRockerSwitch* program_step() const { return step; }

    // The row of the tempo-sync picture a display shows for its parameter's value (0 when
    // not synced).
    static int sync_row(int index, const Kaveos& effect);
    // The value a rocker press sends for a parameter at value, direction +1 or -1, or a
    // negative number when the press would step past the first or last choice.
    static float rocker_step(int index, float value, int direction);

private:
    void make_slider(Kaveos& effect, VSTGUI::CViewContainer& container, int index, int x, int y);
    void make_rocker(Kaveos& effect, VSTGUI::CViewContainer& container, int index, int x, int y);
    void refresh_display(int index, float value, Kaveos& effect);
    void program_bar(Kaveos& effect, VSTGUI::CViewContainer& container);
    void forget_controls();

    KaveosEditor* editor = nullptr;
    VSTGUI::CBitmap* track = nullptr;
    VSTGUI::CBitmap* handle = nullptr;
    VSTGUI::CBitmap* rocker_picture = nullptr;
    VSTGUI::CBitmap* sync_pictures = nullptr;
    std::array<VSTGUI::CSlider*, NUM_PARAMS> sliders{};
    std::array<VSTGUI::CRockerSwitch*, NUM_PARAMS> rockers{};
    std::array<VSTGUI::CParamDisplay*, NUM_PARAMS> displays{};
    std::array<display_fn, NUM_PARAMS> converters{};  // what each display shows with
    CPopupEdit* name = nullptr;
    VSTGUI::COptionMenu* menu = nullptr;
    VSTGUI::CRockerSwitch* step = nullptr;
};
