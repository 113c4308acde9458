// The signal preview's layout; see preview_layout.h.
#include "engine/preview_layout.h"

#include <algorithm>

#include "recfile/recfile.h"

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

namespace {

int WeightOf(const TraceInfo& trace) { return trace.signalType == REC_TYPE_POSITION ? 2 : 1; }

// The weights of the traces before `t`, and of them all.
int64_t WeightBefore(const TracePlan& plan, int t) {
    int64_t w = 0;
    for (int i = 0; i < t && i < plan.count; ++i) w += WeightOf(plan.traces[i]);
    return w;
}

}  // namespace

void TraceBand(const PreviewAreas& areas, const TracePlan& plan, int t, int* top, int* bottom) {
    const int64_t height = areas.plot.bottom - areas.plot.top;
    const int64_t total = std::max<int64_t>(1, WeightBefore(plan, plan.count));
    const int64_t before = WeightBefore(plan, t);
    const int64_t own = t >= 0 && t < plan.count ? WeightOf(plan.traces[t]) : 1;
    *top = areas.plot.top + static_cast<int>(height * before / total);
    *bottom = areas.plot.top + static_cast<int>(height * (before + own) / total);
}

int TraceAtRow(const PreviewAreas& areas, const TracePlan& plan, int y) {
    if (plan.count <= 0 || y < areas.plot.top || y >= areas.plot.bottom) return -1;
    for (int t = 0; t < plan.count; ++t) {
        int top = 0, bottom = 0;
        TraceBand(areas, plan, t, &top, &bottom);
        if (y >= top && y < bottom) return t;
    }
    return -1;
}
