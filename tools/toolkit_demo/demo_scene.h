// A frame filled with one of each control on the editor's real artwork: the sample
// page's controls, the first oscillator panel and a row of assign-page controls. Used by
// the demo program (which takes the screenshot in docs/), the X11 tests and the
// benchmarks.
#pragma once

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "editor/ckeyboard.h"
#include "editor/clistbox.h"
#include "editor/cpopupedit.h"
#include "editor/ctext.h"
#include "editor/cwaveview.h"
#include "kaveo_version.h"
#include "toolkit/cbitmap.h"
#include "toolkit/cframe.h"
#include "toolkit/cknob.h"
#include "toolkit/coptionmenu.h"
#include "toolkit/cparamdisplay.h"
#include "toolkit/cslider.h"
#include "toolkit/cswitches.h"
#include "toolkit/ctextedit.h"
#include "toolkit/cviewcontainer.h"

namespace demo {

using namespace VSTGUI;

struct scene : CControlListener {
    std::vector<std::unique_ptr<CBitmap>> bitmaps;
    std::vector<std::unique_ptr<CView>> views;
    std::vector<std::pair<long, float>> changes;  // (tag, value) of every notification
    COnOffButton* osc1 = nullptr;
    CListbox* list = nullptr;
    CKeyboard* keyboard = nullptr;
    CTextEdit* text_edit = nullptr;
    COptionMenu* source_menu = nullptr;

    void valueChanged(CDrawContext*, CControl* c) override { changes.emplace_back(c->getTag(), c->getValue()); }

    CBitmap* bitmap(long id) {
        bitmaps.push_back(std::make_unique<CBitmap>(id));
        return bitmaps.back().get();
    }
    template <class T, class... A>
    T* make(A&&... args) {
        auto v = std::make_unique<T>(std::forward<A>(args)...);
        T* p = v.get();
        views.push_back(std::move(v));
        return p;
    }

    static void semitones(float v, char* t, size_t cap) {
        double n = std::round(v * 48.0 - 24.0);
        std::snprintf(t, cap, n < 0 ? "%d" : "+%d", int(n));
    }
    static void cents(float v, char* t, size_t cap) {
        int n = int(v * 100.0f);
        std::snprintf(t, cap, n < 0 ? "%d" : "+%d", n);
    }
    static void blank(float, char* t, size_t cap) {
        if (cap) t[0] = '\0';
    }
    static void percent(float v, char* t, size_t cap) { std::snprintf(t, cap, "%d%%", int(v * 100.0f)); }

    void build(CFrame* frame) {
        frame->setBackground(bitmap(15019));
        // The version the editor shows.
        std::string version_text = std::string("version ") + kaveo_version::text;
        auto* version = make<CText>(CRect(2, 23, 159, 35), version_text.c_str(), true);
        version->setFontColor(kBlackCColor);
        frame->addView(version);
        const long page_ids[] = {15003, 15004, 15005};
        for (int i = 0; i < 3; ++i) {
            CBitmap* b = page_ids[i] == 15003 ? bitmap(15003) : bitmap(page_ids[i]);
            int left = 227 + i * 100 - (i == 2 ? 2 : 0);
            auto* button = make<COnOffButton>(CRect(left, 7, left + 94, 27), this, 100 + i, b);
            button->setValue(i == 0 ? 0.0f : 1.0f);
            frame->addView(button);
        }
        auto* page = make<CViewContainer>(CRect(0, 36, 640, 599), frame, bitmap(15020));
        frame->addView(page);
        build_sample_part(page);
        build_oscillator_panel(page);
        build_assign_part(page);
    }

    void build_sample_part(CViewContainer* page) {
        auto* select = make<CParamDisplay>(CRect(8, 8, 233, 103), bitmap(15022));
        select->setStringConvert(blank);
        select->setTransparency(true);
        page->addView(select);
        osc1 = make<COnOffButton>(CRect(26, 40, 111, 82), this, 41, bitmap(15001));
        osc1->setTransparency(true);
        page->addView(osc1);
        auto* osc2 = make<COnOffButton>(CRect(129, 40, 214, 82), this, 42, bitmap(15002));
        osc2->setTransparency(true);
        osc2->setValue(1.0f);
        page->addView(osc2);
        auto* wave = make<CWaveview>(CRect(176, 112, 599, 358), this, 20, bitmap(15018));
        std::vector<float> s(20000);
        for (size_t i = 0; i < s.size(); ++i) {
            double t = double(i) / 44100.0;
            double envelope = std::exp(-t * 9.0) * std::min(1.0, t * 400.0);
            s[i] = float(envelope * (0.6 * std::sin(2 * 3.14159265358979 * 220 * t) + 0.3 * std::sin(2 * 3.14159265358979 * 661 * t)));
        }
        wave->loadColumns(s.data(), long(s.size()));
        wave->setScanFraction(1.0);
        page->addView(wave);
        list = make<CListbox>(CRect(8, 112, 168, 360), this, 10, bitmap(15017), 8);
        list->setTransparency(true);
        const char* names[] = {"piano C3.wav", "piano C4.wav", "piano C5.wav", "bell.aif"};
        for (int i = 0; i < 8; ++i) list->setItemName(i, i < 4 ? names[i] : "(empty)");
        list->setCurrentItem(1);
        page->addView(list);
        page->addView(make<CKickButton>(CRect(58, 333, 116, 352), this, 11, 19, bitmap(15007)));
        keyboard = make<CKeyboard>(CRect(193, 292, 592, 340), this, 30, nullptr, 6);
        int map[127] = {};
        for (int n = 0; n < 127; ++n) map[n] = n < 48 ? 0 : n < 60 ? 1 : n < 72 ? 2 : 3;
        keyboard->setKeyMap(map);
        page->addView(keyboard);
        auto* tuning = make<CParamDisplay>(CRect(241, 8, 581, 103), bitmap(15024));
        tuning->setStringConvert(blank);
        tuning->setTransparency(true);
        page->addView(tuning);
        CBitmap* knob_back = bitmap(15025);
        CBitmap* knob_handle = bitmap(15026);
        CBitmap* display_back = bitmap(15027);
        struct knob_spec {
            int x;
            long tag;
            long caption;
            int caption_width;
            float value;
            CParamDisplayConvert convert;
        } knobs[] = {{273, 22, 15028, 56, 31.0f / 48.0f, semitones}, {412, 21, 15029, 49, 0.12f, cents}};
        for (const knob_spec& k : knobs) {
            auto* knob = make<CKnob>(CRect(k.x, 28, k.x + 59, 86), this, k.tag, knob_back, knob_handle);
            knob->setStartAngle(4.107632f);
            knob->setRangeAngle(-5.0736723f);
            knob->setTransparency(true);
            knob->setValue(k.value);
            page->addView(knob);
            auto* caption = make<CParamDisplay>(CRect(k.x, 20, k.x + k.caption_width, 26), bitmap(k.caption));
            caption->setStringConvert(blank);
            caption->setTransparency(true);
            page->addView(caption);
            int dx = k.x == 273 ? 325 : 464;
            auto* display = make<CParamDisplay>(CRect(dx, 36, dx + 56, 78), display_back);
            display->setStringConvert(k.convert);
            display->setTransparency(true);
            display->setValue(k.value);
            page->addView(display);
        }
    }

    void build_oscillator_panel(CViewContainer* page) {
        const int top = 370;
        auto* panel = make<CText>(CRect(0, top, 290, top + 161), "", true);
        panel->setBackground(bitmap(15041));
        page->addView(panel);
        CBitmap* track = bitmap(15006);
        CBitmap* handle = bitmap(15023);
        const float values[] = {0.5f, 0.0f, 0.25f, 0.8f, 0.62f};
        for (int i = 0; i < 5; ++i) {
            int x = 118 + 32 * i, y = top + 4;
            auto* s = make<CVerticalSlider>(CRect(x, y, x + 32, y + 128), this, 1011 + i, y + 1, y + 117, handle,
                                            track, CPoint(0, 0), kBottom);
            s->setTransparency(true);
            s->setValue(values[i]);
            page->addView(s);
            auto* d = make<CParamDisplay>(CRect(x, y + 128, x + 32, y + 143));
            d->setFont(kNormalFontSmall);
            d->setStringConvert(percent);
            d->setValue(values[i]);
            page->addView(d);
        }
        CBitmap* rocker = bitmap(15040);
        const char* texts[] = {"UserA", "+0", "Loop", "2", "Off", "On"};
        for (int i = 0; i < 6; ++i) {
            int x = 1, y = top + 24 + 16 * i;
            auto* d = make<CText>(CRect(x + 40, y, x + 78, y + 16), texts[i], false);
            d->setFont(kNormalFontSmall);
            d->setBackColor(kBlackCColor);
            d->setFontColor(kWhiteCColor);
            page->addView(d);
            auto* r = make<CRockerSwitch>(CRect(x + 81, y, x + 115, y + 16), this, 2007 + i, 16, rocker,
                                          CPoint(0, 0), kHorizontal);
            r->setTransparency(true);
            page->addView(r);
        }
    }

    void build_assign_part(CViewContainer* page) {
        auto* bank = make<CParamDisplay>(CRect(300, 370, 572, 434), bitmap(15034));
        bank->setStringConvert(blank);
        bank->setTransparency(true);
        page->addView(bank);
        CBitmap* push = bitmap(15035);
        for (int i = 0; i < 3; ++i)
            page->addView(make<CKickButton>(CRect(322 + 80 * i, 400, 387 + 80 * i, 420), this, 6000 + i, 20, push));
        auto* last = make<CText>(CRect(300, 438, 596, 502), "Last CC received: 74", true);
        last->setBackground(bitmap(15036));
        last->setTextRect(CRect(320, 442, 596, 502));
        page->addView(last);
        source_menu = make<COptionMenu>(CRect(300, 508, 468, 528), this, 4049, bitmap(15010), bitmap(15011));
        for (const char* e : {"Velocity", "Mod wheel", "Note", "LFO1", "LFO2", "LFO3", "Filter EG", "Amp EG"})
            source_menu->addEntry(e);
        source_menu->setCurrent(3);
        source_menu->setTextRect(CRect(302, 508, 451, 528));
        source_menu->setHoriAlign(kLeftText);
        source_menu->setTransparency(true);
        page->addView(source_menu);
        auto* amount = make<CHorizontalSlider>(CRect(476, 510, 572, 525), this, 1051, 477, 558, bitmap(15021),
                                               bitmap(15015), CPoint(0, 0), kLeft);
        amount->setOffsetHandle(CPoint(0, 2));
        amount->setTransparency(true);
        amount->setValue(0.7f);
        page->addView(amount);
        auto* amount_text = make<CParamDisplay>(CRect(578, 510, 626, 525));
        amount_text->setFont(kNormalFontSmall);
        amount_text->setStringConvert(percent);
        amount_text->setValue(0.7f);
        page->addView(amount_text);
        auto* delay_on = make<COnOffButton>(CRect(300, 538, 331, 548), this, 2073, bitmap(15032));
        delay_on->setValue(1.0f);
        page->addView(delay_on);
        auto* filter = make<CHorizontalSwitch>(CRect(340, 538, 387, 548), this, 2076, 3, 10, 3, bitmap(15033));
        filter->setValue(0.5f);
        page->addView(filter);
        text_edit = make<CTextEdit>(CRect(398, 534, 510, 552), this, 300, "Text field");
        text_edit->setBackColor(CColor{14, 21, 44, 0});
        text_edit->setFrameColor(CColor{96, 124, 190, 0});
        page->addView(text_edit);
        auto* name = make<CPopupEdit>(CRect(518, 534, 632, 552), this, 203, "Warm pad", nullptr);
        name->setBackColor(CColor{47, 69, 130, 0});
        name->setFrameColor(CColor{211, 230, 250, 0});
        page->addView(name);
    }
};

}  // namespace demo
