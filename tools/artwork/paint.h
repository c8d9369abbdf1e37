// Drawing helpers for the editor's artwork: the palette, panels, captions and a tiny
// pixel font for the captions only a few pixels high.
#pragma once

#include <cairo.h>

#include <functional>
#include <string>
#include <vector>

namespace art {

struct colour {
    double r, g, b;
};

// The editor's palette; pure white is never used, so keyed-transparent drawing leaves
// every painted pixel alone.
inline constexpr colour dark_blue{47 / 255.0, 69 / 255.0, 130 / 255.0};
inline constexpr colour light_blue{211 / 255.0, 230 / 255.0, 250 / 255.0};
inline constexpr colour dark_red{170 / 255.0, 0.0, 0.0};
inline constexpr colour black{0.0, 0.0, 0.0};
inline constexpr colour navy{22 / 255.0, 33 / 255.0, 66 / 255.0};   // page ground
inline constexpr colour well{14 / 255.0, 21 / 255.0, 44 / 255.0};   // sunken fields
inline constexpr colour mid_blue{96 / 255.0, 124 / 255.0, 190 / 255.0};
inline constexpr colour near_white{246 / 255.0, 248 / 255.0, 252 / 255.0};

enum class align { left, centre, right };

void set(cairo_t* cr, colour c, double alpha = 1.0);
void rounded(cairo_t* cr, double x, double y, double w, double h, double radius);
void fill_rect(cairo_t* cr, double x, double y, double w, double h, colour c);
// Text centred vertically in the box, in Liberation Sans (the face "Arial" maps to).
void text(cairo_t* cr, const std::string& s, double x, double y, double w, double h, double size, bool bold,
          colour c, align a = align::centre);
// Capitals and digits five pixels high, for captions too small for a real face.
void pixel_text(cairo_t* cr, const std::string& s, int x, int y, colour c);
int pixel_text_width(const std::string& s);
// A dark blue panel with a light border and its title in the top-left corner.
void panel(cairo_t* cr, int w, int h, const std::string& title);
// A sunken field (for texts drawn by the editor on top).
void field(cairo_t* cr, double x, double y, double w, double h);
// A caption under a 32-pixel slider column whose left edge is x.
void slider_caption(cairo_t* cr, int x, int y, const std::string& label);
// A label left of a rocker row whose top is y (the label column is 40 pixels wide).
void rocker_label(cairo_t* cr, int x, int y, const std::string& label);

struct picture {
    int id;
    int width;
    int height;
    std::function<void(cairo_t*)> draw;
};

void add_shell_pictures(std::vector<picture>& out);
void add_timbre_pictures(std::vector<picture>& out);
void add_sample_pictures(std::vector<picture>& out);
void add_assign_pictures(std::vector<picture>& out);

}  // namespace art
