// The sample page's keyboard: N octaves plus the top C, each key showing the number of
// the wave slot that plays it; a click selects a note and tells the listener (the value
// does not change).
#pragma once

#include <array>

#include "toolkit/ccontrol.h"

class CKeyboard : public VSTGUI::CControl {
public:
    static constexpr int map_size = 127;  // notes 0 to 126

    CKeyboard(const VSTGUI::CRect& size, CControlListener* listener, long tag, VSTGUI::CBitmap* background,
              int octaves);

    // Slots (0-based) for notes 0 to 126.
    void setKeyMap(const int* map);
    const std::array<int, map_size>& getKeyMap() const { return key_map; }
    // The note last clicked, -1 when the click was on no key.
    int getSelectedNote() const { return selected_note; }

    // The note under where (parent's coordinates), or -1.
    int noteAt(const VSTGUI::CPoint& where) const;
    // The rectangle of a note's key (parent's coordinates); empty outside the keyboard.
    VSTGUI::CRect keyRect(int note) const;
    bool isBlackKey(int note) const;

    int whiteKeyWidth() const { return w; }
    int whiteKeys() const { return 7 * octaves + 1; }
    int firstNote() const { return first_note; }
    int lastNote() const { return first_note + 12 * octaves; }

    VSTGUI::CMouseResult mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where) override;
    void draw(VSTGUI::CDrawContext* context) override;

private:
    int black_x(int k) const;  // left edge of black key k (0 to 4) in an octave

    int octaves;
    int base_label;
    int w;     // white key width
    int band;  // label band height above the keys
    int h;     // key height
    int first_note;
    std::array<int, map_size> key_map{};
    int selected_note = -1;
};
