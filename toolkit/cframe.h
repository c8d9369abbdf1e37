// The root of the editor's views. It owns the native child window inside the host's
// window (when a parent is given and a display is available), a back buffer every view
// draws into, the top-level views, the pop-ups shown over them (menus, edit box, message
// boxes) and the keyboard focus. The platform layer feeds it mouse, key and drop events
// through the platform... entry points; tests call the same entry points.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "toolkit/cview.h"
#include "toolkit/view_list.h"

typedef struct _cairo_surface cairo_surface_t;

namespace VSTGUI {

class x11_window;

class CFrame : public CView {
public:
    // parent is the host's window (an X11 Window id carried in a pointer). Without a parent
    // the frame draws only into its back buffer, which is how tests use it.
    CFrame(const CRect& size, void* parent, AEffGUIEditor* editor);
    // Detaches the top-level views (their holders delete them), closes pop-ups and
    // running dialogs, and destroys the window.
    ~CFrame() override;

    // False when a window was asked for and could not be made (no display).
    bool isOpen() const { return open_ok; }
    // The frame's X11 window id, 0 without a window.
    unsigned long getSystemWindow() const;

    bool addView(CView* view);
    bool removeView(CView* view, bool forget = false);
    bool removeAll(bool forget = false);
    bool isChild(const CView* view) const { return children.contains(view); }
    long getNbViews() const { return children.count(); }
    CView* getView(long index) const { return children.at(index); }
    // The innermost view under where (frame coordinates).
    CView* getCurrentView(const CPoint& where) const;

    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& update) override;
    // Draws everything now and shows it.
    void redraw();
    // Handles pending window events and finished dialogs, then redraws what is dirty.
    void idle();
    // Redraws the dirty views and the invalidated areas and shows them; draws nothing
    // when nothing changed.
    void update();
    // Marks r (frame coordinates) for the next update.
    void invalidRect(const CRect& r);

    void beginEdit(long tag);
    void endEdit(long tag);
    // The idle step controls may run while they work: lets the editor and the host breathe.
    void doIdleStuff();
    AEffGUIEditor* getEditor() const override { return editor; }
    CFrame* getFrame() const override { return const_cast<CFrame*>(this); }

    void setFocusView(CView* view);
    CView* getFocusView() const { return focus; }
    long onKeyDown(const CKeyCode& key) override;
    long onKeyUp(const CKeyCode& key) override;
    // Offers the drop to the top-level views from the last-added backwards.
    bool onDrop(void** items, long count, long type, CPoint& where) override;

    // Pop-ups: views in frame coordinates shown over everything and given the mouse and
    // keys first. owner is the view the pop-up belongs to; removing the owner closes it.
    CView* showOverlay(std::unique_ptr<CView> overlay, CView* owner = nullptr);
    // Closes the pop-up (deleted once the event being handled is over).
    void closeOverlay(CView* overlay);
    void closeAllOverlays();
    CView* getTopOverlay() const;
    long getNbOverlays() const { return long(overlays.size()); }

    // Work the frame's idle runs until it answers false (child processes to watch).
    // Dropped, and so stopped, when the frame closes.
    void addIdleTask(std::function<bool()> task);

    // Keys go to this window while a text field or dialog is open (hosts often keep the
    // keyboard focus); counted, so nested users balance.
    void grabKeyboard(bool on);

    // Entry points of the platform layer (and of tests); points in frame coordinates,
    // buttons the mouse button word of the event.
    void platformMouseDown(const CPoint& where, long buttons);
    void platformMouseMoved(const CPoint& where, long buttons);
    void platformMouseUp(const CPoint& where, long buttons);
    bool platformWheel(const CPoint& where, float distance, long buttons);
    bool platformKeyDown(const CKeyCode& key);
    bool platformKeyUp(const CKeyCode& key);
    bool platformDrop(void** items, long count, long type, const CPoint& where);

    long getCurrentMouseButtons() const { return mouse_buttons; }
    CPoint getCurrentMouseLocation() const { return mouse_location; }
    // True while a press is being tracked.
    bool isTracking() const { return tracking != nullptr; }

    cairo_surface_t* getBackBuffer() const { return back_buffer; }
    x11_window* getPlatformWindow() const { return window.get(); }
    // Update and redraw passes that drew something, for tests and benchmarks.
    long getDrawPasses() const { return draw_passes; }

    // Called by views that leave the tree: forgets focus, tracking and pop-ups that
    // belong to view or to anything inside it.
    void viewRemoved(CView* view);

private:
    struct overlay_entry {
        std::unique_ptr<CView> view;
        CView* owner;
    };
    void after_event(CDrawContext& context);
    void collect_dirty(CView* v, std::vector<CRect>& damage);

    AEffGUIEditor* editor;
    view_list children;
    std::vector<overlay_entry> overlays;
    std::vector<std::unique_ptr<CView>> closing;
    std::vector<std::function<bool()>> idle_tasks;
    std::vector<CRect> pending;
    CView* focus = nullptr;
    CView* tracking = nullptr;
    long mouse_buttons = 0;
    CPoint mouse_location;
    cairo_surface_t* back_buffer = nullptr;
    std::unique_ptr<x11_window> window;
    bool open_ok = true;
    bool in_update = false;
    int keyboard_grabs = 0;
    long draw_passes = 0;
};

}  // namespace VSTGUI
