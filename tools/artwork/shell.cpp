// The top strip, the page ground, the page buttons and the small menu buttons.
#include <cmath>

#include "paint.h"

namespace art {

namespace {

void top_strip(cairo_t* cr) {
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, 36);
    cairo_pattern_add_color_stop_rgb(g, 0, 226 / 255.0, 238 / 255.0, 252 / 255.0);
    cairo_pattern_add_color_stop_rgb(g, 1, light_blue.r, light_blue.g, light_blue.b);
    cairo_rectangle(cr, 0, 0, 640, 36);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // The name, with the version text (drawn by the editor, black) below it.
    text(cr, "KAVEO", 6, 1, 150, 22, 20, true, dark_blue, align::left);
    text(cr, "sample synthesizer", 84, 5, 130, 16, 11, false, dark_blue, align::left);
    text(cr, "PAGE", 190, 7, 34, 20, 9, true, dark_blue, align::left);
    text(cr, "VST instrument", 528, 7, 106, 20, 10, false, dark_blue, align::right);
    fill_rect(cr, 0, 34, 640, 2, dark_red);
}

void page_ground(cairo_t* cr) {
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, 563);
    cairo_pattern_add_color_stop_rgb(g, 0, 28 / 255.0, 41 / 255.0, 82 / 255.0);
    cairo_pattern_add_color_stop_rgb(g, 1, navy.r, navy.g, navy.b);
    cairo_rectangle(cr, 0, 0, 640, 563);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // Caption of the oscillator balance slider, between the two oscillator panels of the
    // timbre page (other pages cover this spot).
    pixel_text(cr, "BALANCE", 311 - pixel_text_width("BALANCE") / 2, 71, light_blue);
    // Ends of the balance slider's travel.
    pixel_text(cr, "2", 291, 78, light_blue);
    pixel_text(cr, "1", 291, 193, light_blue);
}

void page_button(cairo_t* cr, const char* name) {
    // Upper state: the page shown; lower: the other pages.
    rounded(cr, 0.5, 0.5, 93, 19, 4);
    set(cr, dark_blue);
    cairo_fill_preserve(cr);
    set(cr, dark_blue);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    fill_rect(cr, 10, 16, 74, 2, dark_red);
    text(cr, name, 0, 0, 94, 17, 12, true, light_blue);

    rounded(cr, 0.5, 20.5, 93, 19, 4);
    set(cr, near_white);
    cairo_fill_preserve(cr);
    set(cr, dark_blue);
    cairo_stroke(cr);
    text(cr, name, 0, 20, 94, 20, 12, true, dark_blue);
}

void menu_button(cairo_t* cr, bool open) {
    rounded(cr, 0.5, 0.5, 15, 15, 3);
    set(cr, open ? dark_red : light_blue);
    cairo_fill_preserve(cr);
    set(cr, open ? light_blue : dark_blue);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    set(cr, open ? light_blue : dark_blue);
    cairo_move_to(cr, 4, 6);
    cairo_line_to(cr, 12, 6);
    cairo_line_to(cr, 8, 11);
    cairo_close_path(cr);
    cairo_fill(cr);
}

}  // namespace

void add_shell_pictures(std::vector<picture>& out) {
    out.push_back({15019, 640, 36, top_strip});
    out.push_back({15020, 640, 563, page_ground});
    out.push_back({15003, 94, 40, [](cairo_t* cr) { page_button(cr, "SAMPLE"); }});
    out.push_back({15004, 94, 40, [](cairo_t* cr) { page_button(cr, "TIMBRE"); }});
    out.push_back({15005, 94, 40, [](cairo_t* cr) { page_button(cr, "ASSIGN"); }});
    out.push_back({15008, 16, 16, [](cairo_t* cr) { menu_button(cr, false); }});
    out.push_back({15009, 16, 16, [](cairo_t* cr) { menu_button(cr, true); }});
}

}  // namespace art
