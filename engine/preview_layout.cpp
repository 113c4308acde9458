// The signal preview's layout; see preview_layout.h.
#include "engine/preview_layout.h"

#include <algorithm>

namespace {

// Widths of the columns at the left, in average characters: a label with
// its filters ("HP 0.3 Hz LP 35 Hz ~50 Hz" in a proportional font) and a
// scale value ("-100.0").
const int kLabelChars = 20;
const int kScaleChars = 7;

}  // namespace

int PixelsAt(int pixels, int dpi) {
    if (dpi <= 0) dpi = 96;
    return static_cast<int>((int64_t{pixels} * dpi + 48) / 96);
}

PreviewAreas LayOutPreview(const PreviewFont& font, int width, int height, int stripHeight) {
    PreviewAreas a;
    const int charWidth = std::max(font.charWidth, 1), line = std::max(font.lineHeight, 1);
    a.gap = PixelsAt(6, font.dpi);
    a.controlHeight = line + PixelsAt(8, font.dpi);
    a.controls = PreviewBox{0, 0, width, a.controlHeight + 2 * a.gap};
    a.strip = PreviewBox{0, a.controls.bottom, width, a.controls.bottom + std::max(stripHeight, 0)};
    const int axisHeight = line + PixelsAt(6, font.dpi);
    const int top = a.strip.bottom + a.gap / 2;
    const int bottom = std::max(top + 1, height - axisHeight);
    const int labelRight = charWidth * kLabelChars;
    const int scaleRight = labelRight + charWidth * kScaleChars;
    a.labels = PreviewBox{0, top, labelRight, bottom};
    a.scale = PreviewBox{labelRight, top, scaleRight, bottom};
    a.plot = PreviewBox{scaleRight, top, std::max(scaleRight + 1, width - PixelsAt(8, font.dpi)), bottom};
    a.axis = PreviewBox{scaleRight, bottom, a.plot.right, bottom + axisHeight};
    return a;
}

int PlaceControlRow(const PreviewFont& font, const PreviewAreas& areas, const RowControl* controls, int count,
                    PreviewBox* out) {
    int x = areas.gap;
    const int top = areas.controls.top + areas.gap;
    for (int i = 0; i < count; ++i) {
        const int w = std::max(controls[i].widthChars * std::max(font.charWidth, 1),
                               PixelsAt(controls[i].leastPixels, font.dpi));
        out[i] = PreviewBox{x, top, x + w, top + areas.controlHeight};
        x += w + areas.gap;
    }
    return x;
}

void TraceBand(const PreviewAreas& areas, int count, int t, int* top, int* bottom) {
    const int64_t height = areas.plot.bottom - areas.plot.top;
    const int n = std::max(count, 1);
    *top = areas.plot.top + static_cast<int>(height * t / n);
    *bottom = areas.plot.top + static_cast<int>(height * (t + 1) / n);
}

int TraceAtRow(const PreviewAreas& areas, int count, int y) {
    if (count <= 0 || y < areas.plot.top || y >= areas.plot.bottom) return -1;
    const int t = static_cast<int>(int64_t{y - areas.plot.top} * count / (areas.plot.bottom - areas.plot.top));
    return t < count ? t : -1;
}
