// The sample page's picture of a sample: per pixel column the lowest and highest value
// of the samples under it, drawn up to the scan fraction (the pitch analysis' progress).
#pragma once

#include <vector>

#include "toolkit/ccontrol.h"

class sample_data;

class CWaveview : public VSTGUI::CControl {
public:
    CWaveview(const VSTGUI::CRect& size, CControlListener* listener, long tag, VSTGUI::CBitmap* background);

    // Column tops and bottoms (pixels in the picture) from count values in -1..1.
    void loadColumns(const float* values, long count);
    void loadColumns(const sample_data& sample);
    // 0 to 1; anything else (negative, above 1, not a number) counts as 1.
    void setScanFraction(double fraction);
    double getScanFraction() const { return scan; }

    // The picture's rectangle (parent's coordinates) and the columns, for the drawing
    // and for tests.
    const VSTGUI::CRect& pictureRect() const { return picture; }
    int columnTop(int i) const { return tops[size_t(i)]; }
    int columnBottom(int i) const { return bottoms[size_t(i)]; }
    // Columns drawn at the current scan fraction.
    int visibleColumns() const;

    void draw(VSTGUI::CDrawContext* context) override;

private:
    VSTGUI::CRect picture;
    std::vector<int> tops;
    std::vector<int> bottoms;
    double scan = 1.0;
};
