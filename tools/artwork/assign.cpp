// The assign page: modulation matrix, delay, MIDI controllers, last controller and bank.
#include "paint.h"

namespace art {

namespace {

void matrix_panel(cairo_t* cr) {
    panel(cr, 587, 226, "MODULATION MATRIX");
    // Rows start at y 29 (menus at 27..47), 22 apart; columns as the page places them.
    text(cr, "Source", 23, 16, 160, 11, 9, true, light_blue, align::left);
    text(cr, "Destination", 193, 16, 200, 11, 9, true, light_blue, align::left);
    text(cr, "Amount", 417, 16, 96, 11, 9, true, light_blue);
    for (int n = 1; n <= 8; ++n) {
        int y = 29 + 22 * (n - 1);
        text(cr, std::to_string(n), 4, y - 2, 14, 20, 11, true, light_blue);
    }
}

// A menu box: the text area (drawn by the menu) and an arrow button at the right.
void menu_box(cairo_t* cr, int w, bool open) {
    rounded(cr, 0.5, 0.5, w - 1, 19, 3);
    set(cr, well);
    cairo_fill_preserve(cr);
    set(cr, open ? dark_red : mid_blue);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    fill_rect(cr, w - 17, 1, 16, 18, open ? dark_red : light_blue);
    set(cr, open ? light_blue : dark_blue);
    cairo_move_to(cr, w - 13, 7);
    cairo_line_to(cr, w - 5, 7);
    cairo_line_to(cr, w - 9, 12);
    cairo_close_path(cr);
    cairo_fill(cr);
}

void amount_track(cairo_t* cr) {
    field(cr, 2, 5, 92, 6);
    set(cr, light_blue, 0.6);
    for (int i = 0; i <= 8; ++i) cairo_rectangle(cr, 7 + i * 10.25, i == 4 ? 0 : 1, 1, i == 4 ? 4 : 3);
    cairo_fill(cr);
}

void amount_handle(cairo_t* cr) {
    rounded(cr, 0.5, 0.5, 12, 11, 2);
    set(cr, light_blue);
    cairo_fill_preserve(cr);
    set(cr, well);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    fill_rect(cr, 5, 2, 3, 8, dark_red);
}

void delay_panel(cairo_t* cr) {
    panel(cr, 273, 196, "DELAY");
    const char* labels[] = {"Tempo", "Length", "Wet", "Feedbk", "Cutoff"};
    for (int i = 0; i < 5; ++i) slider_caption(cr, 102 + 32 * i, 180, labels[i]);
    // Switches at x 38, rows at 46, 83, 120 and 157; captions above them.
    text(cr, "Delay on", 8, 32, 90, 13, 9, false, light_blue, align::left);
    text(cr, "Stereo / Cross", 8, 69, 90, 13, 9, false, light_blue, align::left);
    text(cr, "Tempo sync", 8, 106, 90, 13, 9, false, light_blue, align::left);
    text(cr, "Filter", 8, 143, 90, 13, 9, false, light_blue, align::left);
}

// Two 10-pixel states: off (upper), on.
void delay_switch(cairo_t* cr) {
    for (int state = 0; state < 2; ++state) {
        double y = state * 10;
        rounded(cr, 0.5, y + 0.5, 30, 9, 2);
        set(cr, well);
        cairo_fill_preserve(cr);
        set(cr, mid_blue);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        if (state) {
            fill_rect(cr, 16, y + 1, 14, 8, dark_red);
            pixel_text(cr, "ON", 18, int(y) + 2, near_white);
            pixel_text(cr, "OFF", 3, int(y) + 2, mid_blue);
        } else {
            fill_rect(cr, 1, y + 1, 14, 8, mid_blue);
            pixel_text(cr, "OFF", 2, int(y) + 2, near_white);
            pixel_text(cr, "ON", 19, int(y) + 2, mid_blue);
        }
    }
}

// Three positions (none, low-pass, high-pass), each state lighting its segment.
void filter_switch(cairo_t* cr) {
    const char* names[] = {"-", "LP", "HP"};
    for (int state = 0; state < 3; ++state) {
        double y = state * 10;
        rounded(cr, 0.5, y + 0.5, 46, 9, 2);
        set(cr, well);
        cairo_fill_preserve(cr);
        set(cr, mid_blue);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        for (int seg = 0; seg < 3; ++seg) {
            int x = 1 + seg * 15;
            bool lit = seg == state;
            if (lit) fill_rect(cr, x, y + 1, 15, 8, dark_red);
            int w = pixel_text_width(names[seg]);
            pixel_text(cr, names[seg], x + (15 - w) / 2, int(y) + 2, lit ? near_white : mid_blue);
        }
    }
}

void midi_panel(cairo_t* cr) {
    panel(cr, 296, 196, "MIDI CONTROLLERS");
    text(cr, "Controller", 6, 32, 44, 16, 9, false, light_blue, align::left);
    text(cr, "Parameter", 82, 32, 182, 16, 9, false, light_blue, align::right);
    field(cr, 17, 52, 42, 20);
    field(cr, 81, 52, 202, 20);
    text(cr, "Set", 6, 88, 65, 13, 9, true, light_blue);
    text(cr, "Save MIDI Settings", 72, 88, 88, 13, 9, true, light_blue);
    // Picking a parameter shows its controller, so the parameter comes first.
    const char* help[] = {"Pick a parameter, then a controller (or move one),",
                          "and press Set. Save MIDI Settings keeps the",
                          "assignments for the next time the instrument starts."};
    for (int i = 0; i < 3; ++i) text(cr, help[i], 8, 134 + i * 15, 282, 14, 9, false, light_blue, align::left);
}

void last_controller(cairo_t* cr) {
    panel(cr, 296, 64, "");
    text(cr, "LAST CONTROLLER", 8, 2, 200, 12, 9, true, light_blue, align::left);
    field(cr, 16, 20, 272, 32);
}

// A blank push button: raised, pressed. Its caption is on the panel above it.
void push_button(cairo_t* cr) {
    for (int state = 0; state < 2; ++state) {
        double y = state * 20;
        rounded(cr, 0.5, y + 0.5, 64, 19, 4);
        cairo_pattern_t* g = cairo_pattern_create_linear(0, y, 0, y + 20);
        if (state) {
            cairo_pattern_add_color_stop_rgb(g, 0, 120 / 255.0, 0, 0);
            cairo_pattern_add_color_stop_rgb(g, 1, dark_red.r, 0, 0);
        } else {
            cairo_pattern_add_color_stop_rgb(g, 0, near_white.r, near_white.g, near_white.b);
            cairo_pattern_add_color_stop_rgb(g, 1, light_blue.r, light_blue.g, light_blue.b);
        }
        cairo_set_source(cr, g);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(g);
        set(cr, well);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        fill_rect(cr, 24, y + 9, 17, 2, state ? light_blue : dark_blue);
    }
}

void bank_panel(cairo_t* cr) {
    panel(cr, 272, 64, "BANK");
    // Buttons at x 22, 102 and 182 (65 wide), y 30.
    text(cr, "Open", 22, 17, 65, 12, 9, true, light_blue);
    text(cr, "New", 102, 17, 65, 12, 9, true, light_blue);
    text(cr, "Set as Default", 177, 17, 75, 12, 9, true, light_blue);
}

}  // namespace

void add_assign_pictures(std::vector<picture>& out) {
    out.push_back({15014, 587, 226, matrix_panel});
    out.push_back({15010, 168, 20, [](cairo_t* cr) { menu_box(cr, 168, false); }});
    out.push_back({15011, 168, 20, [](cairo_t* cr) { menu_box(cr, 168, true); }});
    out.push_back({15012, 220, 20, [](cairo_t* cr) { menu_box(cr, 220, false); }});
    out.push_back({15013, 220, 20, [](cairo_t* cr) { menu_box(cr, 220, true); }});
    out.push_back({15015, 96, 16, amount_track});
    out.push_back({15021, 13, 12, amount_handle});
    out.push_back({15031, 273, 196, delay_panel});
    out.push_back({15032, 31, 20, delay_switch});
    out.push_back({15033, 47, 30, filter_switch});
    out.push_back({15037, 296, 196, midi_panel});
    out.push_back({15035, 65, 40, push_button});
    out.push_back({15036, 296, 64, last_controller});
    out.push_back({15034, 272, 64, bank_panel});
}

}  // namespace art
