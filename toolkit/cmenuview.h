// One level of an open pop-up menu, drawn inside the frame. Entries run down in columns
// when they do not fit the frame's height; a level stays inside the frame, moving up or
// left as needed. The first level (the root) runs the whole menu: it opens and closes
// sub-menu levels, follows the pointer and keys, and hands the choice to the option menu.
#pragma once

#include <vector>

#include "toolkit/cview.h"

namespace VSTGUI {

class COptionMenu;

class CMenuView : public CView {
public:
    static constexpr int item_height = 16;
    static constexpr int separator_height = 7;

    // at: where the level's top-left wants to be; bounds: the area it must stay in (frame
    // coordinates); press: the pointer of the press that opened it. When the level does
    // not fit below at, it ends at above instead if it fits there (a menu opening upward
    // over its control's top); otherwise it moves up as far as needed.
    CMenuView(COptionMenu* root, COptionMenu* menu, CMenuView* parentLevel, const CPoint& at,
              const CRect& bounds, const CPoint& press, int above = -1);

    void draw(CDrawContext* context) override;
    CMouseResult mouse(CDrawContext* context, CPoint& where) override;
    void mouseMoved(CDrawContext* context, CPoint& where) override;
    void mouseUp(CDrawContext* context, CPoint& where) override;
    long onKeyDown(const CKeyCode& key) override;

    // The entry under p (frame coordinates), or -1.
    long itemAt(const CPoint& p) const;
    CRect itemRect(long index) const { return items[size_t(index)]; }
    long getHighlight() const { return highlight; }
    COptionMenu* getMenu() const { return menu; }
    CMenuView* getChildLevel() const { return child; }
    int getColumns() const { return columns; }

private:
    CMenuView* rootLevel() { return parentLevel ? parentLevel->rootLevel() : this; }
    CMenuView* deepest() { return child ? child->deepest() : this; }
    CMenuView* levelAt(const CPoint& p);  // deepest level containing p
    void layout(const CPoint& at, const CRect& bounds, int above);
    void openChild(long index);
    void closeChild();
    void hover(const CPoint& p);
    void choose(CMenuView* level, long index);
    void cancel();
    bool selectable(long index) const;

    COptionMenu* root;
    COptionMenu* menu;
    CMenuView* parentLevel;
    CMenuView* child = nullptr;
    CRect bounds;
    std::vector<CRect> items;  // frame coordinates
    int columns = 1;
    long highlight = -1;
    CPoint press;
    bool moved = false;
    bool finished = false;
};

}  // namespace VSTGUI
