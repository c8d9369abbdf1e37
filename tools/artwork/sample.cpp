// The sample page: set buttons, slot list, load button, waveform frame, tuning panel and
// knob, and the information panel.
#include <cmath>

#include "paint.h"

namespace art {

namespace {

constexpr double pi = 3.14159265358979;

void select_panel(cairo_t* cr) {
    panel(cr, 225, 95, "SAMPLE SET");
    text(cr, "edit the samples of oscillator 1 or 2", 8, 77, 209, 14, 9, false, light_blue);
}

// Upper state selected, lower not.
void set_button(cairo_t* cr, int n) {
    const char* name = n == 1 ? "OSC 1" : "OSC 2";
    const char* set_name = n == 1 ? "set A" : "set B";
    for (int state = 0; state < 2; ++state) {
        double y = state * 42;
        bool on = state == 0;
        rounded(cr, 1.5, y + 1.5, 82, 39, 5);
        set(cr, on ? dark_red : well);
        cairo_fill_preserve(cr);
        set(cr, on ? light_blue : mid_blue);
        cairo_set_line_width(cr, on ? 2 : 1);
        cairo_stroke(cr);
        text(cr, name, 0, y + 4, 85, 20, 16, true, on ? near_white : mid_blue);
        text(cr, set_name, 0, y + 23, 85, 14, 10, false, on ? light_blue : mid_blue);
    }
}

// Slot list: a title band, eight item rows on black, the load button's label below.
void slot_list(cairo_t* cr) {
    panel(cr, 160, 248, "SLOTS");
    fill_rect(cr, 7, 25, 146, 178, black);
    set(cr, mid_blue);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, 6.5, 24.5, 147, 179);
    cairo_stroke(cr);
    text(cr, "load a WAV or AIFF file into the slot", 4, 205, 152, 14, 9, false, light_blue);
}

void load_button(cairo_t* cr) {
    for (int state = 0; state < 2; ++state) {
        double y = state * 19;
        rounded(cr, 0.5, y + 0.5, 57, 18, 4);
        set(cr, state ? dark_red : light_blue);
        cairo_fill_preserve(cr);
        set(cr, well);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        text(cr, "LOAD", 0, y, 58, 19, 11, true, state ? near_white : dark_blue);
    }
}

// Waveform frame: the picture area (drawn by the view), the keyboard's place and
// caption below it.
void wave_frame(cairo_t* cr) {
    panel(cr, 423, 246, "");
    text(cr, "WAVEFORM", 12, 0, 200, 12, 9, true, light_blue, align::left);
    field(cr, 11, 11, 401, 164);
    fill_rect(cr, 12, 178, 399, 52, well);  // behind the octave numbers and keys
    text(cr, "KEY MAP   click a key to let the selected slot play that note", 12, 231, 399, 13, 9, false,
         light_blue);
}

void tuning_panel(cairo_t* cr) {
    panel(cr, 340, 95, "");
    text(cr, "SAMPLE", 282, 30, 56, 14, 11, true, light_blue);
    text(cr, "TUNING", 282, 44, 56, 14, 11, true, light_blue);
    fill_rect(cr, 297, 60, 26, 2, dark_red);
    text(cr, "semitones", 84, 74, 56, 14, 9, false, light_blue);
    text(cr, "cents", 223, 74, 56, 14, 9, false, light_blue);
}

// Knob: a scale arc and a cap; the handle runs round the rim, 3 pixels in from the edge.
void knob(cairo_t* cr) {
    double cx = 29.5, cy = 29.0;
    const double start = 4.107632, range = -5.0736723;
    set(cr, well);
    cairo_arc(cr, cx, cy, 28.5, 0, 2 * pi);
    cairo_fill(cr);
    set(cr, light_blue, 0.5);
    cairo_set_line_width(cr, 1);
    for (int i = 0; i <= 10; ++i) {
        double a = start + range * i / 10.0;
        double r0 = 20.5, r1 = i % 5 == 0 ? 24.5 : 23;
        cairo_move_to(cr, cx + std::cos(a) * r0, cy - std::sin(a) * r0);
        cairo_line_to(cr, cx + std::cos(a) * r1, cy - std::sin(a) * r1);
    }
    cairo_stroke(cr);
    cairo_pattern_t* g = cairo_pattern_create_radial(cx - 5, cy - 6, 2, cx, cy, 18);
    cairo_pattern_add_color_stop_rgb(g, 0, 96 / 255.0, 124 / 255.0, 190 / 255.0);
    cairo_pattern_add_color_stop_rgb(g, 1, dark_blue.r, dark_blue.g, dark_blue.b);
    cairo_arc(cr, cx, cy, 18, 0, 2 * pi);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    set(cr, light_blue);
    cairo_stroke(cr);
}

void knob_handle(cairo_t* cr) {
    cairo_arc(cr, 2.5, 2.5, 2.4, 0, 2 * pi);
    set(cr, dark_red);
    cairo_fill_preserve(cr);
    set(cr, near_white);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
}

void value_display(cairo_t* cr) {
    rounded(cr, 0.5, 0.5, 55, 41, 4);
    set(cr, well);
    cairo_fill_preserve(cr);
    set(cr, light_blue, 0.8);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

void info_panel(cairo_t* cr) {
    panel(cr, 586, 106, "HOW TO MAKE A SAMPLE SET");
    const char* steps[] = {
        "1   Choose OSC 1 or OSC 2 to edit sample set A or set B (the WAVE rockers of the timbre page pick UserA or UserB).",
        "2   Select one of the eight slots and press LOAD to import a WAV or AIFF file into it, or drop the file on the waveform.",
        "3   Click keys on the keyboard: each clicked note is played by the selected slot (its number shows on the key).",
        "4   Set the slot's transpose in semitones and its finetune in cents with the two knobs.",
    };
    for (int i = 0; i < 4; ++i) text(cr, steps[i], 12, 24 + i * 19, 566, 16, 10, false, light_blue, align::left);
}

}  // namespace

void add_sample_pictures(std::vector<picture>& out) {
    out.push_back({15022, 225, 95, select_panel});
    out.push_back({15001, 85, 84, [](cairo_t* cr) { set_button(cr, 1); }});
    out.push_back({15002, 85, 84, [](cairo_t* cr) { set_button(cr, 2); }});
    out.push_back({15017, 160, 248, slot_list});
    out.push_back({15007, 58, 38, load_button});
    out.push_back({15018, 423, 246, wave_frame});
    out.push_back({15024, 340, 95, tuning_panel});
    out.push_back({15025, 59, 58, knob});
    out.push_back({15026, 5, 5, knob_handle});
    out.push_back({15027, 56, 42, value_display});
    out.push_back({15028, 56, 6, [](cairo_t* cr) { pixel_text(cr, "TRANSPOSE", 0, 0, light_blue); }});
    out.push_back({15029, 49, 6, [](cairo_t* cr) { pixel_text(cr, "FINETUNE", 0, 0, light_blue); }});
    out.push_back({15038, 586, 106, info_panel});
}

}  // namespace art
