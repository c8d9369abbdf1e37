// The list of wave slots: n items with their names, one current (highlighted). A left
// click selects the item under the pointer; every click tells the listener.
#pragma once

#include <string>
#include <vector>

#include "toolkit/ccontrol.h"

class CListbox : public VSTGUI::CControl {
public:
    CListbox(const VSTGUI::CRect& size, CControlListener* listener, long tag, VSTGUI::CBitmap* background,
             int items);

    void setItemName(int index, const char* name);
    const std::string& getItemName(int index) const;
    int getCurrentItem() const { return current; }
    void setCurrentItem(int index);
    int getItemCount() const { return int(names.size()); }
    // Item rectangles in the parent's coordinates.
    VSTGUI::CRect itemRect(int index) const { return items[size_t(index)]; }
    int itemHeight() const { return item_height; }

    VSTGUI::CMouseResult mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where) override;
    void draw(VSTGUI::CDrawContext* context) override;

private:
    std::vector<VSTGUI::CRect> items;
    std::vector<std::string> names;
    int item_height;
    int current = 0;
};
