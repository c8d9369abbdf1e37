#include "paint.h"

#include <cmath>
#include <map>

namespace art {

void set(cairo_t* cr, colour c, double alpha) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void rounded(cairo_t* cr, double x, double y, double w, double h, double r) {
    const double pi = 3.14159265358979;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -pi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, pi / 2);
    cairo_arc(cr, x + r, y + h - r, r, pi / 2, pi);
    cairo_arc(cr, x + r, y + r, r, pi, 3 * pi / 2);
    cairo_close_path(cr);
}

void fill_rect(cairo_t* cr, double x, double y, double w, double h, colour c) {
    set(cr, c);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
}

void text(cairo_t* cr, const std::string& s, double x, double y, double w, double h, double size, bool bold,
          colour c, align a) {
    cairo_save(cr);
    cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t te;
    cairo_text_extents(cr, s.c_str(), &te);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    double tx = x;
    if (a == align::centre) tx = x + (w - te.x_advance) / 2;
    if (a == align::right) tx = x + w - te.x_advance;
    double baseline = std::round(y + (h - (fe.ascent + fe.descent)) / 2 + fe.ascent);
    set(cr, c);
    cairo_move_to(cr, std::round(tx), baseline);
    cairo_show_text(cr, s.c_str());
    cairo_restore(cr);
}

namespace {
// Each glyph: rows of five strings, '#' for a lit pixel.
const std::map<char, std::vector<std::string>>& glyphs() {
    static const std::map<char, std::vector<std::string>> g{
        {'A', {"###", "# #", "###", "# #", "# #"}}, {'B', {"## ", "# #", "## ", "# #", "## "}},
        {'C', {"###", "#  ", "#  ", "#  ", "###"}}, {'D', {"## ", "# #", "# #", "# #", "## "}},
        {'E', {"###", "#  ", "## ", "#  ", "###"}}, {'F', {"###", "#  ", "## ", "#  ", "#  "}},
        {'G', {"###", "#  ", "# #", "# #", "###"}}, {'H', {"# #", "# #", "###", "# #", "# #"}},
        {'I', {"###", " # ", " # ", " # ", "###"}}, {'K', {"# #", "# #", "## ", "# #", "# #"}},
        {'L', {"#  ", "#  ", "#  ", "#  ", "###"}}, {'M', {"#   #", "## ##", "# # #", "#   #", "#   #"}},
        {'N', {"#  #", "## #", "# ##", "#  #", "#  #"}}, {'O', {"###", "# #", "# #", "# #", "###"}},
        {'P', {"###", "# #", "###", "#  ", "#  "}}, {'R', {"## ", "# #", "## ", "# #", "# #"}},
        {'S', {"###", "#  ", "###", "  #", "###"}}, {'T', {"###", " # ", " # ", " # ", " # "}},
        {'U', {"# #", "# #", "# #", "# #", "###"}}, {'V', {"# #", "# #", "# #", "# #", " # "}},
        {'W', {"#   #", "#   #", "# # #", "## ##", "#   #"}}, {'X', {"# #", "# #", " # ", "# #", "# #"}},
        {'Y', {"# #", "# #", " # ", " # ", " # "}}, {'0', {"###", "# #", "# #", "# #", "###"}},
        {'1', {" # ", "## ", " # ", " # ", "###"}}, {'2', {"###", "  #", "###", "#  ", "###"}},
        {'3', {"###", "  #", " ##", "  #", "###"}}, {'4', {"# #", "# #", "###", "  #", "  #"}},
        {'5', {"###", "#  ", "###", "  #", "###"}}, {'6', {"###", "#  ", "###", "# #", "###"}},
        {'7', {"###", "  #", "  #", "  #", "  #"}}, {'8', {"###", "# #", "###", "# #", "###"}},
        {'9', {"###", "# #", "###", "  #", "###"}}, {'-', {"   ", "   ", "###", "   ", "   "}},
        {'/', {"  #", "  #", " # ", "#  ", "#  "}}, {'.', {" ", " ", " ", " ", "#"}},
        {' ', {"  ", "  ", "  ", "  ", "  "}},
    };
    return g;
}
}  // namespace

int pixel_text_width(const std::string& s) {
    int w = 0;
    for (char ch : s) {
        auto it = glyphs().find(ch);
        if (it != glyphs().end()) w += int(it->second[0].size()) + 1;
    }
    return w > 0 ? w - 1 : 0;
}

void pixel_text(cairo_t* cr, const std::string& s, int x, int y, colour c) {
    set(cr, c);
    for (char ch : s) {
        auto it = glyphs().find(ch);
        if (it == glyphs().end()) continue;
        const auto& rows = it->second;
        for (int row = 0; row < 5; ++row)
            for (int col = 0; col < int(rows[size_t(row)].size()); ++col)
                if (rows[size_t(row)][size_t(col)] == '#') cairo_rectangle(cr, x + col, y + row, 1, 1);
        x += int(rows[0].size()) + 1;
    }
    cairo_fill(cr);
}

void panel(cairo_t* cr, int w, int h, const std::string& title) {
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgb(g, 0, 54 / 255.0, 78 / 255.0, 142 / 255.0);
    cairo_pattern_add_color_stop_rgb(g, 1, dark_blue.r, dark_blue.g, dark_blue.b);
    rounded(cr, 0.5, 0.5, w - 1, h - 1, 5);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    set(cr, light_blue, 0.85);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    if (!title.empty()) {
        text(cr, title, 7, 2, w - 14, 15, 11, true, light_blue, align::left);
        fill_rect(cr, 7, 16, 22, 2, dark_red);
    }
}

void field(cairo_t* cr, double x, double y, double w, double h) {
    rounded(cr, x + 0.5, y + 0.5, w - 1, h - 1, 2);
    set(cr, well);
    cairo_fill_preserve(cr);
    set(cr, mid_blue);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
}

void slider_caption(cairo_t* cr, int x, int y, const std::string& label) {
    text(cr, label, x - 3, y, 38, 12, 8.5, false, light_blue);
}

void rocker_label(cairo_t* cr, int x, int y, const std::string& label) {
    text(cr, label, x + 2, y, 38, 16, 9, false, light_blue, align::left);
}

}  // namespace art
