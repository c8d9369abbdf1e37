#include "editor/cwaveview.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "editor/palette.h"
#include "sound/sample_data.h"
#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"

using namespace VSTGUI;

CWaveview::CWaveview(const CRect& r, CControlListener* l, long t, CBitmap* bitmap)
    : CControl(r, l, t, bitmap),
      picture(r.left + 12, r.top + 12, r.right - 12, r.bottom - 72),
      // Before a sample arrives: a flat line through the picture's middle.
      tops(size_t(std::max(0, r.width())), std::max(0, picture.height()) / 2),
      bottoms(size_t(std::max(0, r.width())), std::max(0, picture.height()) / 2) {}

void CWaveview::loadColumns(const float* s, long n) {
    const int64_t W = std::max(0, picture.width());
    const double H = std::max(0, picture.height());
    if (!s) n = 0;
    for (int64_t i = 0; i < W && size_t(i) < tops.size(); ++i) {
        int64_t j0 = int64_t(n) * i / W;
        int64_t j1 = int64_t(n) * (i + 1) / W - 1;
        if (j1 < j0) j1 = j0;  // fewer values than columns: neighbours share one
        if (j1 > n - 1) j1 = n - 1;
        float lo = 1.0f, hi = -1.0f;
        if (n <= 0 || j0 > j1) {
            lo = hi = 0.0f;
        } else {
            for (int64_t j = j0; j <= j1; ++j) {
                lo = std::min(lo, s[j]);
                hi = std::max(hi, s[j]);
            }
        }
        tops[size_t(i)] = int(std::trunc((1.0 - (double(hi) + 1.0) * 0.5) * H));
        bottoms[size_t(i)] = int(std::trunc((1.0 - (double(lo) + 1.0) * 0.5) * H));
    }
    setDirty(true);
}

void CWaveview::loadColumns(const sample_data& sample) {
    long n = std::min<long>(long(sample.data.size()), std::max<long>(0, sample.frames));
    loadColumns(sample.data.data(), n);
}

void CWaveview::setScanFraction(double f) {
    scan = (f >= 0.0 && f <= 1.0) ? f : 1.0;
    setDirty(true);
}

int CWaveview::visibleColumns() const {
    int W = std::max(0, picture.width());
    return std::min(W, int(std::trunc(W * scan)));
}

void CWaveview::draw(CDrawContext* context) {
    using namespace kaveo_palette;
    copyBackground(context);
    int W = picture.width(), H = picture.height();
    if (W <= 0 || H <= 0) return;
    COffscreenContext off(context->getFrame(), W, H, dark_blue);
    off.setFrameColor(light_blue);
    off.drawRect(CRect(0, 0, W, H));
    off.setLineWidth(1);
    off.setFrameColor(dark_red);
    off.drawLine(CPoint(1, H / 2), CPoint(W - 2, H / 2));
    off.setFrameColor(light_blue);
    off.drawLine(CPoint(0, tops[0]), CPoint(0, bottoms[0]));
    int shown = visibleColumns();
    for (int i = 1; i < shown; ++i) {
        off.drawLine(CPoint(i - 1, tops[size_t(i - 1)]), CPoint(i, tops[size_t(i)]));
        off.drawLine(CPoint(i - 1, bottoms[size_t(i - 1)]), CPoint(i, bottoms[size_t(i)]));
        off.drawLine(CPoint(i, tops[size_t(i)]), CPoint(i, bottoms[size_t(i)]));
    }
    off.copyFrom(context, picture);
    dirty = false;
}
