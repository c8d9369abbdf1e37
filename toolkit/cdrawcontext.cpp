#include "toolkit/cdrawcontext.h"

#include <cairo.h>

#include <algorithm>
#include <string>

#include "toolkit/cframe.h"
#include "toolkit/utf8.h"

namespace VSTGUI {

namespace {
double chan(uint8_t c) { return c / 255.0; }
}  // namespace

CDrawContext::CDrawContext(CFrame* f, cairo_surface_t* target) : frame(f), cr(cairo_create(target)) {
    // Geometry is drawn pixel-exact, as the artwork expects; text keeps its smoothing.
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
    setFont(kSystemFont);
}

CDrawContext::~CDrawContext() { cairo_destroy(cr); }

void CDrawContext::apply_color(const CColor& c) {
    cairo_set_source_rgb(cr, chan(c.red), chan(c.green), chan(c.blue));
}

void CDrawContext::setOffset(const CPoint& o) {
    offset = o;
    cairo_identity_matrix(cr);
    cairo_translate(cr, o.h, o.v);
}

void CDrawContext::apply_clip() {
    cairo_reset_clip(cr);
    if (!clipped) return;
    // The clip is in device pixels. Not inside cairo_save/cairo_restore: the restore
    // would take the clip back with the matrix, and every partial redraw would paint whole
    // views (a panel over the controls beside the one redrawn).
    cairo_matrix_t matrix;
    cairo_get_matrix(cr, &matrix);
    cairo_identity_matrix(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, clip.left, clip.top, clip.width(), clip.height());
    cairo_clip(cr);
    cairo_set_matrix(cr, &matrix);
}

void CDrawContext::setClipRect(const CRect& r) {
    clip = r;
    clip.offset(offset.h, offset.v);
    clipped = true;
    apply_clip();
}

CRect CDrawContext::getClipRect() const {
    CRect r = clip;
    if (!clipped) {
        cairo_surface_t* s = cairo_get_target(cr);
        r = CRect(0, 0, cairo_image_surface_get_width(s), cairo_image_surface_get_height(s));
    }
    return r.offset(-offset.h, -offset.v);
}

void CDrawContext::pushClip(const CRect& r) {
    clip_stack.push_back({clip, clipped});
    CRect target = r;
    target.offset(offset.h, offset.v);
    if (clipped)
        clip.bound(target);
    else
        clip = target;
    clipped = true;
    apply_clip();
}

void CDrawContext::popClip() {
    if (clip_stack.empty()) return;
    clip = clip_stack.back().rect;
    clipped = clip_stack.back().on;
    clip_stack.pop_back();
    apply_clip();
}

void CDrawContext::resetClipRect() {
    clipped = false;
    clip = CRect();
    apply_clip();
}

void CDrawContext::lineTo(const CPoint& p) {
    apply_color(frame_color);
    cairo_set_line_width(cr, line_width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
    // Pixel centres, so a one-pixel line covers exactly the pixels it names.
    double half = (line_width % 2) ? 0.5 : 0.0;
    cairo_move_to(cr, pen.h + half, pen.v + half);
    cairo_line_to(cr, p.h + half, p.v + half);
    cairo_stroke(cr);
    pen = p;
    ++draw_count;
}

void CDrawContext::drawRect(const CRect& r) {
    if (r.isEmpty()) return;
    apply_color(frame_color);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, r.left + 0.5, r.top + 0.5, r.width() - 1, r.height() - 1);
    cairo_stroke(cr);
    ++draw_count;
}

void CDrawContext::fillRect(const CRect& r) {
    if (r.isEmpty()) return;
    apply_color(fill_color);
    cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
    cairo_fill(cr);
    ++draw_count;
}

void CDrawContext::fillEllipse(const CRect& r) {
    if (r.isEmpty()) return;
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    apply_color(fill_color);
    cairo_translate(cr, r.left + r.width() / 2.0, r.top + r.height() / 2.0);
    cairo_scale(cr, r.width() / 2.0, r.height() / 2.0);
    cairo_arc(cr, 0, 0, 1, 0, 6.283185307179586);
    cairo_fill(cr);
    cairo_restore(cr);
    ++draw_count;
}

void CDrawContext::drawEllipse(const CRect& r) {
    if (r.isEmpty()) return;
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    apply_color(frame_color);
    cairo_translate(cr, r.left + r.width() / 2.0, r.top + r.height() / 2.0);
    cairo_scale(cr, (r.width() - 1) / 2.0, (r.height() - 1) / 2.0);
    cairo_arc(cr, 0, 0, 1, 0, 6.283185307179586);
    cairo_restore(cr);
    cairo_set_line_width(cr, line_width);
    cairo_stroke(cr);
    ++draw_count;
}

void CDrawContext::fillPolygon(const CPoint* points, int count) {
    if (!points || count < 3) return;
    apply_color(fill_color);
    cairo_move_to(cr, points[0].h, points[0].v);
    for (int i = 1; i < count; ++i) cairo_line_to(cr, points[i].h, points[i].v);
    cairo_close_path(cr);
    cairo_fill(cr);
    ++draw_count;
}

void CDrawContext::setFont(CFont font, long size, long style) {
    const font_slot& slot = font_slot_for(font);
    font_id = (font < 0 || font >= kNumStandardFonts) ? kSystemFont : font;
    font_size = size > 0 ? size : slot.size_px;
    font_style = style | (slot.always_bold ? kBoldFace : 0);
}

void CDrawContext::apply_font() {
    const font_slot& slot = font_slot_for(font_id);
    cairo_select_font_face(cr, slot.face,
                           (font_style & kItalicFace) ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           (font_style & kBoldFace) ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, double(font_size));
}

long CDrawContext::getStringWidth(const char* raw) {
    if (!raw || !*raw) return 0;
    const std::string text = valid_utf8(raw);
    apply_font();
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    return long(e.x_advance + 0.5);
}

void CDrawContext::drawString(const char* raw, const CRect& r, bool opaque, CHoriTxtAlign align) {
    if (!raw || !*raw || r.isEmpty()) return;
    const std::string valid = valid_utf8(raw);
    const char* text = valid.c_str();
    apply_font();
    cairo_text_extents_t te;
    cairo_text_extents(cr, text, &te);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    double width = te.x_advance;
    double x = r.left;
    if (align == kCenterText)
        x = r.left + (r.width() - width) / 2.0;
    else if (align == kRightText)
        x = r.right - width;
    x = double(long(x + (x < 0 ? -0.5 : 0.5)));
    double line = fe.ascent + fe.descent;
    double baseline = double(long(r.top + (r.height() - line) / 2.0 + fe.ascent + 0.5));

    cairo_save(cr);
    cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
    cairo_clip(cr);
    if (opaque) {
        apply_color(fill_color);
        cairo_rectangle(cr, x, baseline - fe.ascent, width, line);
        cairo_fill(cr);
    }
    apply_color(font_color);
    cairo_move_to(cr, x, baseline);
    cairo_show_text(cr, text);
    if (font_style & kUnderlineFace) {
        cairo_set_line_width(cr, 1.0);
        cairo_move_to(cr, x, baseline + 1.5);
        cairo_line_to(cr, x + width, baseline + 1.5);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
    ++draw_count;
}

long CDrawContext::getMouseButtons() const { return frame ? frame->getCurrentMouseButtons() : 0; }

void CDrawContext::getMouseLocation(CPoint& where) const {
    where = frame ? frame->getCurrentMouseLocation() : CPoint();
    where.offset(-offset.h, -offset.v);
}

namespace {
cairo_surface_t* filled_image(long width, long height, const CColor& c) {
    cairo_surface_t* s =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, int(std::max(1L, width)), int(std::max(1L, height)));
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, chan(c.red), chan(c.green), chan(c.blue));
    cairo_paint(cr);
    cairo_destroy(cr);
    return s;
}
}  // namespace

COffscreenContext::COffscreenContext(CFrame* f, long w, long h, const CColor& background)
    : CDrawContext(f, filled_image(w, h, background)), width(w), height(h) {
    // The context holds its own reference to the image.
    cairo_surface_destroy(cairo_get_target(cr));
}

COffscreenContext::~COffscreenContext() = default;

cairo_surface_t* COffscreenContext::getSurface() const { return cairo_get_target(cr); }

void COffscreenContext::copyFrom(CDrawContext* destination, const CRect& r, const CPoint& source) {
    if (!destination || r.isEmpty()) return;
    cairo_surface_flush(getSurface());
    cairo_t* d = destination->getCairo();
    cairo_save(d);
    cairo_rectangle(d, r.left, r.top, r.width(), r.height());
    cairo_clip(d);
    cairo_set_source_surface(d, getSurface(), r.left - source.h, r.top - source.v);
    cairo_paint(d);
    cairo_restore(d);
}

}  // namespace VSTGUI
