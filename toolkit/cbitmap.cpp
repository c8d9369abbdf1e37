#include "toolkit/cbitmap.h"

#include <cairo.h>

#include <cstring>
#include <map>
#include <mutex>

#include "toolkit/artwork.h"
#include "toolkit/cdrawcontext.h"

namespace VSTGUI {

namespace {

struct png_reader {
    artwork_png png;
    size_t at = 0;
};

cairo_status_t read_png(void* closure, unsigned char* out, unsigned int length) {
    auto* r = static_cast<png_reader*>(closure);
    if (length > r->png.size - r->at) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, r->png.data + r->at, length);
    r->at += length;
    return CAIRO_STATUS_SUCCESS;
}

// Decoded pictures, kept for the life of the library: an editor opens and closes many
// times and loads the same pictures each time.
class picture_cache {
public:
    ~picture_cache() {
        for (auto& [id, surface] : pictures) cairo_surface_destroy(surface);
    }
    // A new reference to the decoded picture, or null.
    cairo_surface_t* get(long id) {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = pictures.find(id);
        if (it == pictures.end()) {
            artwork_png png = find_artwork(id);
            if (!png.data) return nullptr;
            png_reader reader{png, 0};
            cairo_surface_t* s = cairo_image_surface_create_from_png_stream(read_png, &reader);
            if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
                cairo_surface_destroy(s);
                return nullptr;
            }
            it = pictures.emplace(id, s).first;
        }
        return cairo_surface_reference(it->second);
    }

private:
    std::mutex mutex;
    std::map<long, cairo_surface_t*> pictures;
};

picture_cache& cache() {
    static picture_cache c;
    return c;
}

}  // namespace

CBitmap::CBitmap(long id) : resource_id(id), image(cache().get(id)) {
    if (image) {
        width = cairo_image_surface_get_width(image);
        height = cairo_image_surface_get_height(image);
    }
}

CBitmap::CBitmap(cairo_surface_t* s) {
    if (s && cairo_surface_get_type(s) == CAIRO_SURFACE_TYPE_IMAGE &&
        cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
        image = cairo_surface_reference(s);
        width = cairo_image_surface_get_width(image);
        height = cairo_image_surface_get_height(image);
    }
}

CBitmap::~CBitmap() {
    if (keyed) cairo_surface_destroy(keyed);
    if (image) cairo_surface_destroy(image);
}

void CBitmap::paint(CDrawContext* context, cairo_surface_t* source, const CRect& r,
                    const CPoint& offset, double alpha) {
    if (!context || !source || r.isEmpty()) return;
    cairo_t* cr = context->getCairo();
    cairo_save(cr);
    cairo_rectangle(cr, r.left, r.top, r.width(), r.height());
    cairo_clip(cr);
    cairo_set_source_surface(cr, source, r.left - offset.h, r.top - offset.v);
    if (alpha >= 1.0)
        cairo_paint(cr);
    else
        cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
}

void CBitmap::draw(CDrawContext* context, const CRect& r, const CPoint& offset) {
    paint(context, image, r, offset, 1.0);
}

void CBitmap::drawTransparent(CDrawContext* context, const CRect& r, const CPoint& offset) {
    paint(context, keyed_image(), r, offset, 1.0);
}

void CBitmap::drawAlphaBlend(CDrawContext* context, const CRect& r, const CPoint& offset,
                             unsigned char alpha) {
    paint(context, image, r, offset, alpha / 255.0);
}

cairo_surface_t* CBitmap::keyed_image() {
    if (!image) return nullptr;
    if (keyed && keyed_colour == transparent) return keyed;
    if (keyed) cairo_surface_destroy(keyed);
    keyed = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(width), int(height));
    cairo_t* cr = cairo_create(keyed);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(keyed);
    // Only opaque pixels can match: premultiplied values equal the colour there.
    uint32_t key = 0xff000000u | (uint32_t(transparent.red) << 16) | (uint32_t(transparent.green) << 8) |
                   transparent.blue;
    unsigned char* data = cairo_image_surface_get_data(keyed);
    int stride = cairo_image_surface_get_stride(keyed);
    for (long y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
        for (long x = 0; x < width; ++x)
            if (row[x] == key) row[x] = 0;
    }
    cairo_surface_mark_dirty(keyed);
    keyed_colour = transparent;
    return keyed;
}

}  // namespace VSTGUI
