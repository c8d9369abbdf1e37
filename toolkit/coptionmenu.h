// A pop-up menu control: shows its current entry like a parameter display; a click opens
// the toolkit's own pop-up menu (drawn inside the editor, with separators, check marks and
// sub-menus) and a choice sets the current entry, the value (the entry index) and tells
// the listener.
#pragma once

#include <string>
#include <vector>

#include "toolkit/cparamdisplay.h"

namespace VSTGUI {

class CMenuView;

class COptionMenu : public CParamDisplay {
public:
    static constexpr long max_entries = 1024;
    static constexpr size_t max_entry_bytes = 255;  // plus the terminator: 256

    COptionMenu(const CRect& size, CControlListener* listener, long tag, CBitmap* background = nullptr,
                CBitmap* bgWhenClick = nullptr, long style = 0);

    // Inserts at index (later entries move down), or appends for -1 or an index past
    // the end. "-" makes a separator. False beyond max_entries.
    virtual bool addEntry(const char* text, long index = -1);
    // Appends an entry that opens subMenu (not owned).
    virtual bool addEntry(COptionMenu* subMenu, const char* text);
    // The current entry's index (counting separators unless told not to); its text
    // into text (256 bytes) when given.
    virtual long getCurrent(char* text = nullptr, bool countSeparator = true) const;
    virtual bool setCurrent(long index, bool countSeparator = true);
    virtual bool getEntry(long index, char* text) const;
    virtual bool setEntry(long index, const char* text);
    virtual bool removeEntry(long index);
    virtual bool removeAllEntry();
    virtual long getNbEntries() const { return long(entries.size()); }
    virtual long getIndex(const char* text) const;
    virtual bool checkEntry(long index, bool checked);
    virtual bool checkEntryAlone(long index);
    virtual bool isCheckEntry(long index) const;
    virtual COptionMenu* getSubMenu(long index) const;
    // Where the last choice was made: the menu (this or a sub-menu) and the entry in it.
    virtual COptionMenu* getLastItemMenu(long& index) const;

    bool isSeparator(long index) const;
    const std::string& entryText(long index) const;

    void draw(CDrawContext* context) override;
    CMouseResult mouse(CDrawContext* context, CPoint& where) override;
    bool removed(CView* parent) override;
    bool isOpen() const { return menuOpen; }

    // From the pop-up: the user chose entry index of menu (this or a sub-menu), or
    // closed it without a choice.
    void takeChoice(COptionMenu* menu, long index);
    void menuClosed();

private:
    struct entry {
        std::string text;
        COptionMenu* sub = nullptr;
        bool checked = false;
    };
    std::vector<entry> entries;
    CBitmap* bgWhenClick;
    long currentIndex = -1;
    COptionMenu* lastMenu = nullptr;
    long lastResult = -1;
    bool menuOpen = false;
};

}  // namespace VSTGUI
