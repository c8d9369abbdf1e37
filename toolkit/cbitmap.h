// A picture from the editor's artwork, drawn whole or in part (one state of a stacked
// strip) onto a context.
#pragma once

#include "toolkit/cgeometry.h"

typedef struct _cairo_surface cairo_surface_t;

namespace VSTGUI {

class CDrawContext;

class CBitmap {
public:
    // Loads the picture with this id; an id with no picture leaves width and height 0
    // and draws nothing.
    explicit CBitmap(long resource_id);
    // Wraps an image surface (takes its own reference), for pictures made at run time.
    explicit CBitmap(cairo_surface_t* image);
    ~CBitmap();
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    // Copies the part of the picture that starts at offset into r (r's size).
    void draw(CDrawContext* context, const CRect& r, const CPoint& offset = CPoint(0, 0));
    // The same with every pixel of the transparent colour left out.
    void drawTransparent(CDrawContext* context, const CRect& r, const CPoint& offset = CPoint(0, 0));
    // The same blended at alpha (0 transparent to 255 opaque).
    void drawAlphaBlend(CDrawContext* context, const CRect& r, const CPoint& offset = CPoint(0, 0),
                        unsigned char alpha = 128);

    long getWidth() const { return width; }
    long getHeight() const { return height; }
    long getResourceID() const { return resource_id; }
    bool isLoaded() const { return image != nullptr; }
    void setTransparentColor(const CColor& c) { transparent = c; }
    CColor getTransparentColor() const { return transparent; }
    cairo_surface_t* getSurface() const { return image; }

private:
    void paint(CDrawContext* context, cairo_surface_t* source, const CRect& r, const CPoint& offset,
               double alpha);
    cairo_surface_t* keyed_image();

    long resource_id = 0;
    cairo_surface_t* image = nullptr;
    cairo_surface_t* keyed = nullptr;  // image with the transparent colour cut out
    CColor keyed_colour;
    long width = 0;
    long height = 0;
    CColor transparent = kTransparentCColor;
};

}  // namespace VSTGUI
