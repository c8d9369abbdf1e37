// Drawing contexts: a CDrawContext draws on any Cairo surface (the frame's back buffer, an
// image in a test); a COffscreenContext owns an image of its own that it copies to another
// context. Coordinates are whole pixels; a view's drawing is translated by the offset its
// containers set.
#pragma once

#include <string>
#include <vector>

#include "toolkit/cfont.h"
#include "toolkit/cgeometry.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace VSTGUI {

class CFrame;

class CDrawContext {
public:
    // Draws on target (not owned; Cairo keeps its own reference). The frame supplies the
    // mouse state; it may be null for contexts that never read the mouse.
    CDrawContext(CFrame* frame, cairo_surface_t* target);
    virtual ~CDrawContext();
    CDrawContext(const CDrawContext&) = delete;
    CDrawContext& operator=(const CDrawContext&) = delete;

    void moveTo(const CPoint& p) { pen = p; }
    // A line of the current frame colour and width from the pen to p, both end pixels
    // included; the pen moves to p.
    void lineTo(const CPoint& p);
    void drawLine(const CPoint& from, const CPoint& to) {
        moveTo(from);
        lineTo(to);
    }
    void drawRect(const CRect& r);  // outline on the rectangle's border pixels
    void fillRect(const CRect& r);  // the pixels [left, right) x [top, bottom)
    void fillEllipse(const CRect& r);
    void drawEllipse(const CRect& r);
    void fillPolygon(const CPoint* points, int count);

    void setLineWidth(int width) { line_width = width < 1 ? 1 : width; }
    int getLineWidth() const { return line_width; }
    void setFrameColor(const CColor& c) { frame_color = c; }
    CColor getFrameColor() const { return frame_color; }
    void setFillColor(const CColor& c) { fill_color = c; }
    CColor getFillColor() const { return fill_color; }
    void setFontColor(const CColor& c) { font_color = c; }
    CColor getFontColor() const { return font_color; }
    // size 0 takes the slot's size; style holds CTxtFace bits.
    void setFont(CFont font, long size = 0, long style = 0);
    CFont getFont() const { return font_id; }
    long getFontSize() const { return font_size; }

    // The text in the font colour inside r, centred vertically and clipped to r. With
    // opaque the text's cell is first filled with the fill colour.
    void drawString(const char* text, const CRect& r, bool opaque = false,
                    CHoriTxtAlign align = kCenterText);
    long getStringWidth(const char* text);

    // The mouse state of the event being handled (button word) and the pointer in the
    // coordinates this context draws in.
    long getMouseButtons() const;
    void getMouseLocation(CPoint& where) const;

    // Offset of view coordinates in the target's pixels.
    void setOffset(const CPoint& o);
    CPoint getOffset() const { return offset; }
    // Restricts drawing to r (in view coordinates) until reset.
    void setClipRect(const CRect& r);
    // The clip rectangle in view coordinates (the whole target when none is set).
    CRect getClipRect() const;
    void resetClipRect();
    // Narrows the clip to r for a while; popClip restores the clip before it.
    void pushClip(const CRect& r);
    void popClip();

    cairo_t* getCairo() const { return cr; }
    CFrame* getFrame() const { return frame; }
    // How many drawing operations reached the target; the frame presents a context that
    // drew during an event.
    long getDrawCount() const { return draw_count; }

protected:
    void apply_color(const CColor& c);
    void apply_font();
    void apply_clip();

    CFrame* frame;
    cairo_t* cr;
    CPoint pen;
    CPoint offset;
    CRect clip;  // in target pixels
    bool clipped = false;
    struct saved_clip {
        CRect rect;
        bool on;
    };
    std::vector<saved_clip> clip_stack;
    int line_width = 1;
    CColor frame_color = kBlackCColor;
    CColor fill_color = kWhiteCColor;
    CColor font_color = kWhiteCColor;
    CFont font_id = kSystemFont;
    long font_size = 12;
    long font_style = kBoldFace;
    long draw_count = 0;
};

class COffscreenContext : public CDrawContext {
public:
    // An image of width x height filled with background.
    COffscreenContext(CFrame* frame, long width, long height,
                      const CColor& background = kBlackCColor);
    ~COffscreenContext() override;

    // Copies the part of this image that starts at source to destination's rectangle.
    void copyFrom(CDrawContext* destination, const CRect& destination_rect,
                  const CPoint& source = CPoint(0, 0));
    long getWidth() const { return width; }
    long getHeight() const { return height; }
    cairo_surface_t* getSurface() const;

private:
    long width;
    long height;
};

}  // namespace VSTGUI
