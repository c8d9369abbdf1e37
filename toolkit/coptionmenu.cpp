#include "toolkit/coptionmenu.h"

#include <cstring>
#include <memory>

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/cframe.h"
#include "toolkit/cmenuview.h"
#include "toolkit/utf8.h"

namespace VSTGUI {

namespace {
std::string entry_text(const char* text) {
    std::string s = text ? text : "";
    s.resize(utf8_prefix(s, COptionMenu::max_entry_bytes));
    return s;
}
const std::string empty;
}  // namespace

COptionMenu::COptionMenu(const CRect& r, CControlListener* l, long t, CBitmap* bitmap, CBitmap* clicked,
                         long st)
    : CParamDisplay(r, bitmap, st), bgWhenClick(clicked) {
    listener = l;
    tag = t;
}

bool COptionMenu::addEntry(const char* text, long index) {
    if (getNbEntries() >= max_entries) return false;
    entry e{entry_text(text)};
    if (index < 0 || index > getNbEntries())
        entries.push_back(std::move(e));
    else
        entries.insert(entries.begin() + index, std::move(e));
    setDirty(true);
    return true;
}

bool COptionMenu::addEntry(COptionMenu* sub, const char* text) {
    if (!addEntry(text, -1)) return false;
    entries.back().sub = sub;
    return true;
}

long COptionMenu::getCurrent(char* text, bool countSeparator) const {
    if (text) {
        text[0] = '\0';
        if (currentIndex >= 0 && currentIndex < getNbEntries())
            std::memcpy(text, entries[size_t(currentIndex)].text.c_str(), entries[size_t(currentIndex)].text.size() + 1);
    }
    if (countSeparator || currentIndex < 0) return currentIndex;
    long n = 0;
    for (long i = 0; i < currentIndex && i < getNbEntries(); ++i)
        if (!isSeparator(i)) ++n;
    return n;
}

bool COptionMenu::setCurrent(long index, bool countSeparator) {
    if (!countSeparator) {
        long n = -1;
        for (long i = 0; i < getNbEntries(); ++i)
            if (!isSeparator(i) && ++n == index) {
                index = i;
                break;
            }
        if (n != index) return false;
    }
    if (index < 0 || index >= getNbEntries()) return false;
    currentIndex = index;
    value = float(index);
    setDirty(true);
    return true;
}

bool COptionMenu::getEntry(long index, char* text) const {
    if (!text) return false;
    text[0] = '\0';
    if (index < 0 || index >= getNbEntries()) return false;
    std::memcpy(text, entries[size_t(index)].text.c_str(), entries[size_t(index)].text.size() + 1);
    return true;
}

bool COptionMenu::setEntry(long index, const char* text) {
    if (index < 0 || index >= getNbEntries()) return false;
    entries[size_t(index)].text = entry_text(text);
    setDirty(true);
    return true;
}

bool COptionMenu::removeEntry(long index) {
    if (index < 0 || index >= getNbEntries()) return false;
    entries.erase(entries.begin() + index);
    if (currentIndex >= getNbEntries()) currentIndex = getNbEntries() - 1;
    setDirty(true);
    return true;
}

bool COptionMenu::removeAllEntry() {
    entries.clear();
    currentIndex = -1;
    setDirty(true);
    return true;
}

long COptionMenu::getIndex(const char* text) const {
    for (long i = 0; i < getNbEntries(); ++i)
        if (text && entries[size_t(i)].text == text) return i;
    return -1;
}

bool COptionMenu::checkEntry(long index, bool checked) {
    if (index < 0 || index >= getNbEntries()) return false;
    entries[size_t(index)].checked = checked;
    return true;
}

bool COptionMenu::checkEntryAlone(long index) {
    for (auto& e : entries) e.checked = false;
    return checkEntry(index, true);
}

bool COptionMenu::isCheckEntry(long index) const {
    if (index < 0 || index >= getNbEntries()) return false;
    return entries[size_t(index)].checked || ((style & kCheckStyle) && index == currentIndex);
}

COptionMenu* COptionMenu::getSubMenu(long index) const {
    return index >= 0 && index < getNbEntries() ? entries[size_t(index)].sub : nullptr;
}

COptionMenu* COptionMenu::getLastItemMenu(long& index) const {
    index = lastResult;
    return lastMenu;
}

bool COptionMenu::isSeparator(long index) const {
    return index >= 0 && index < getNbEntries() && entries[size_t(index)].text == "-";
}

const std::string& COptionMenu::entryText(long index) const {
    return index >= 0 && index < getNbEntries() ? entries[size_t(index)].text : empty;
}

void COptionMenu::draw(CDrawContext* context) {
    CBitmap* normal = background;
    if (menuOpen && bgWhenClick) background = bgWhenClick;
    drawText(context, currentIndex >= 0 ? entryText(currentIndex).c_str() : "");
    background = normal;
    dirty = false;
}

CMouseResult COptionMenu::mouse(CDrawContext* context, CPoint& where) {
    CFrame* f = getFrame();
    if (!f || !mouse_enabled || !(context->getMouseButtons() & (kLButton | kRButton))) return kMouseNotHandled;
    if (entries.empty()) return kMouseHandled;
    CRect r = getFrameRect();
    CPoint press(where.h + (r.left - size.left), where.v + (r.top - size.top));
    auto menu = std::make_unique<CMenuView>(this, this, nullptr, CPoint(r.left, r.bottom),
                                            CRect(0, 0, f->getWidth(), f->getHeight()), press, r.top);
    menuOpen = true;
    setDirty(true);
    f->showOverlay(std::move(menu), this);
    return kMouseHandled;
}

bool COptionMenu::removed(CView* p) {
    menuOpen = false;
    return CParamDisplay::removed(p);
}

void COptionMenu::takeChoice(COptionMenu* menu, long index) {
    menuOpen = false;
    setDirty(true);
    if (!menu) return;
    lastMenu = menu;
    lastResult = index;
    if (menu != this) menu->setCurrent(index);
    beginEdit();
    if (menu == this) setCurrent(index);
    if (CFrame* f = getFrame()) {
        CDrawContext context(f, f->getBackBuffer());
        notify(&context);
    } else {
        notify(nullptr);
    }
    endEdit();
}

void COptionMenu::menuClosed() {
    menuOpen = false;
    setDirty(true);
}

}  // namespace VSTGUI
