// The timbre page: program bar, the six panels with every caption, sliders, rockers,
// command buttons and the tempo-sync rows.
#include <cmath>

#include "paint.h"

namespace art {

namespace {

constexpr int caption_top = 147;  // below the value display (4 + 128 + 15)

void sliders(cairo_t* cr, std::initializer_list<const char*> labels) {
    int x = 118;
    for (const char* l : labels) {
        slider_caption(cr, x, caption_top, l);
        x += 32;
    }
}

void rockers(cairo_t* cr, int first_y, std::initializer_list<const char*> labels) {
    int y = first_y;
    for (const char* l : labels) {
        rocker_label(cr, 1, y, l);
        y += 16;
    }
}

void program_bar(cairo_t* cr) {
    panel(cr, 589, 70, "PROGRAM");
    text(cr, "Name", 24, 17, 100, 12, 9, false, light_blue, align::left);
    text(cr, "Select", 219, 17, 52, 12, 9, false, light_blue);
    field(cr, 23, 29, 188, 16);
    const struct {
        int x, y;
        const char* label;
    } buttons[] = {{296, 21, "Import"}, {296, 44, "Export"}, {406, 21, "Copy"},
                   {406, 44, "Paste"},  {510, 21, "Store"},  {510, 44, "Reset"}};
    for (auto& b : buttons) text(cr, b.label, b.x + 21, b.y, 80, 17, 11, false, light_blue, align::left);
    text(cr, "file", 296, 5, 100, 12, 9, false, light_blue, align::left);
    text(cr, "clipboard", 406, 5, 100, 12, 9, false, light_blue, align::left);
    text(cr, "bank", 510, 5, 70, 12, 9, false, light_blue, align::left);
}

void oscillator(cairo_t* cr, int n) {
    panel(cr, 290, 161, n == 1 ? "OSCILLATOR 1" : "OSCILLATOR 2");
    sliders(cr, {"Fine", "Offset", "LpBeg", "LpLen", "Speed"});
    if (n == 1)
        rockers(cr, 24, {"Wave", "Transp", "Loop", "Bend", "Sync", "Pitched"});
    else
        rockers(cr, 24, {"Wave", "Transp", "Loop", "Sync", "Pitched"});
}

void filter_panel(cairo_t* cr) {
    panel(cr, 354, 161, "FILTER");
    sliders(cr, {"Cutoff", "Reso", "EnvMod", "Attack", "Decay", "Sustain", "Release"});
    rockers(cr, 24, {"Type"});
}

// A sketch of an envelope, in the amplifier panel's empty corner.
void envelope_sketch(cairo_t* cr) {
    set(cr, light_blue, 0.55);
    cairo_set_line_width(cr, 1.5);
    cairo_move_to(cr, 12, 120);
    cairo_line_to(cr, 32, 50);
    cairo_line_to(cr, 52, 80);
    cairo_line_to(cr, 84, 80);
    cairo_line_to(cr, 108, 120);
    cairo_stroke(cr);
    set(cr, light_blue, 0.3);
    cairo_move_to(cr, 10, 120.5);
    cairo_line_to(cr, 110, 120.5);
    cairo_stroke(cr);
    const char* names[] = {"A", "D", "S", "R"};
    const double xs[] = {20, 42, 68, 96};
    for (int i = 0; i < 4; ++i) text(cr, names[i], xs[i] - 6, 124, 12, 12, 9, true, light_blue);
}

void amplifier_panel(cairo_t* cr) {
    panel(cr, 354, 161, "AMPLIFIER");
    sliders(cr, {"OscGain", "Gain", "Pan", "Attack", "Decay", "Sustain", "Release"});
    envelope_sketch(cr);
}

void lfo_panel(cairo_t* cr) {
    panel(cr, 226, 161, "LFO");
    sliders(cr, {"Rate 1", "Rate 2", "Rate 3"});
    rockers(cr, 24, {"Shape 1", "Shape 2", "Shape 3", "Sync 1", "Sync 2", "Sync 3", "Tempo"});
}

void unison_panel(cairo_t* cr) {
    panel(cr, 194, 161, "UNISON");
    sliders(cr, {"Porta", "Detune"});
    rockers(cr, 24, {"Legato", "Voices"});
}

// Track: a groove with a scale, see-through around it.
void slider_track(cairo_t* cr) {
    field(cr, 13, 3, 6, 122);
    set(cr, light_blue, 0.6);
    for (int i = 0; i <= 10; ++i) {
        double y = 6 + i * 11.5;
        double len = (i % 5 == 0) ? 6 : 4;
        cairo_rectangle(cr, 10 - len, std::round(y), len, 1);
        cairo_rectangle(cr, 22, std::round(y), len, 1);
    }
    cairo_fill(cr);
}

void slider_handle(cairo_t* cr) {
    rounded(cr, 2.5, 0.5, 27, 9, 2);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, 10);
    cairo_pattern_add_color_stop_rgb(g, 0, near_white.r, near_white.g, near_white.b);
    cairo_pattern_add_color_stop_rgb(g, 1, light_blue.r * 0.8, light_blue.g * 0.8, light_blue.b * 0.85);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    set(cr, well);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    fill_rect(cr, 5, 4, 22, 2, dark_red);
}

// Three states, -1 (left pressed), 0 and +1 (right pressed), from the top.
void rocker(cairo_t* cr) {
    for (int state = 0; state < 3; ++state) {
        double y = state * 16;
        rounded(cr, 0.5, y + 0.5, 33, 15, 3);
        set(cr, light_blue);
        cairo_fill_preserve(cr);
        set(cr, well);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        if (state != 1) {
            double x = state == 0 ? 1 : 17;
            fill_rect(cr, x, y + 1, 16, 14, dark_red);
        }
        fill_rect(cr, 16.5, y + 2, 1, 12, well);
        set(cr, state == 0 ? light_blue : dark_blue);
        cairo_move_to(cr, 11, y + 4);
        cairo_line_to(cr, 5, y + 8);
        cairo_line_to(cr, 11, y + 12);
        cairo_close_path(cr);
        cairo_fill(cr);
        set(cr, state == 2 ? light_blue : dark_blue);
        cairo_move_to(cr, 23, y + 4);
        cairo_line_to(cr, 29, y + 8);
        cairo_line_to(cr, 23, y + 12);
        cairo_close_path(cr);
        cairo_fill(cr);
    }
}

// Two states: up, pressed.
void command_button(cairo_t* cr) {
    for (int state = 0; state < 2; ++state) {
        double y = state * 17;
        cairo_arc(cr, 8.5, y + 8.5, 7.5, 0, 2 * 3.14159265);
        set(cr, state ? dark_red : light_blue);
        cairo_fill_preserve(cr);
        set(cr, well);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        cairo_arc(cr, 8.5, y + 8.5, 3, 0, 2 * 3.14159265);
        set(cr, state ? light_blue : dark_blue);
        cairo_fill(cr);
    }
}

// Ten rows of 16: row 0 a plain display; rows 1 to 8 the note lengths of the tempo
// sync steps; row 9 the ground for a count of beats (the text is drawn over it).
void sync_rows(cairo_t* cr) {
    const char* lengths[] = {"1/32", "1/16T", "1/16", "1/8T", "1/16.", "1/8", "1/8.", "1/4"};
    for (int row = 0; row < 10; ++row) {
        double y = row * 16;
        fill_rect(cr, 0, y, 32, 15, black);
        if (row >= 1 && row <= 8) text(cr, lengths[row - 1], 0, y, 32, 15, 10, true, light_blue);
        if (row == 9) {
            set(cr, mid_blue);
            cairo_rectangle(cr, 2, y + 3, 2, 9);  // a beat mark at the left
            cairo_fill(cr);
        }
    }
}

void balance_mark(cairo_t* cr) {
    set(cr, light_blue);
    cairo_move_to(cr, 0, 3);
    cairo_line_to(cr, 4, 0);
    cairo_line_to(cr, 4, 6);
    cairo_close_path(cr);
    cairo_move_to(cr, 14, 3);
    cairo_line_to(cr, 10, 0);
    cairo_line_to(cr, 10, 6);
    cairo_close_path(cr);
    cairo_fill(cr);
    fill_rect(cr, 4, 2, 6, 2, light_blue);
}

}  // namespace

void add_timbre_pictures(std::vector<picture>& out) {
    out.push_back({15039, 589, 70, program_bar});
    out.push_back({15040, 34, 48, rocker});
    out.push_back({15046, 17, 34, command_button});
    out.push_back({15006, 32, 128, slider_track});
    out.push_back({15023, 32, 10, slider_handle});
    out.push_back({15048, 14, 6, balance_mark});
    out.push_back({15049, 32, 160, sync_rows});
    out.push_back({15041, 290, 161, [](cairo_t* cr) { oscillator(cr, 1); }});
    out.push_back({15047, 290, 161, [](cairo_t* cr) { oscillator(cr, 2); }});
    out.push_back({15042, 354, 161, filter_panel});
    out.push_back({15043, 354, 161, amplifier_panel});
    out.push_back({15044, 226, 161, lfo_panel});
    out.push_back({15045, 194, 161, unison_panel});
}

}  // namespace art
