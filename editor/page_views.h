// What a page owns: its controls and pictures. Views are created here, added to the page's
// container and deleted only when the page is rebuilt or the editor goes (a view deleted
// while in a container leaves it by itself).
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "toolkit/cbitmap.h"
#include "toolkit/cviewcontainer.h"

class page_views {
public:
    // A picture owned by the page (decoded once per process by the toolkit).
    VSTGUI::CBitmap* bitmap(long id) {
        bitmaps.push_back(std::make_unique<VSTGUI::CBitmap>(id));
        return bitmaps.back().get();
    }
    // Creates a view, keeps it and adds it to container.
    template <class T, class... A>
    T* add(VSTGUI::CViewContainer& container, A&&... args) {
        auto v = std::make_unique<T>(std::forward<A>(args)...);
        T* p = v.get();
        views.push_back(std::move(v));
        container.addView(p);
        return p;
    }
    // Takes every view out of container; they stay owned.
    void remove_from(VSTGUI::CViewContainer& container) {
        for (auto& v : views) container.removeView(v.get(), false);
    }
    void clear() {
        views.clear();
        bitmaps.clear();
    }
    size_t count() const { return views.size(); }

private:
    // Pictures first, so the views that show them go before them.
    std::vector<std::unique_ptr<VSTGUI::CBitmap>> bitmaps;
    std::vector<std::unique_ptr<VSTGUI::CView>> views;
};
