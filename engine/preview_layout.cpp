// The signal preview's layout; see preview_layout.h.
#include "engine/preview_layout.h"

#include <algorithm>
#include <cmath>

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

PreviewBox PlaceInWorkArea(int width, int height, const PreviewBox& work, const PreviewBox& near) {
    width = std::max(1, std::min(width, work.right - work.left));
    height = std::max(1, std::min(height, work.bottom - work.top));
    int left = (near.left + near.right) / 2 - width / 2, top = (near.top + near.bottom) / 2 - height / 2;
    left = std::max<int>(work.left, std::min(left, work.right - width));
    top = std::max<int>(work.top, std::min(top, work.bottom - height));
    return PreviewBox{left, top, left + width, top + height};
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

int OverviewHeight(const PreviewFont& font, int traces) {
    const int inset = 1;
    const int row = PixelsAt(3, font.dpi);
    if (traces <= 0) return 2 * inset + row;
    const int most = PixelsAt(64, font.dpi);
    const int each = std::max(1, std::min(row, most / traces));
    return 2 * inset + each * traces;
}

PreviewBox OverviewBox(const PreviewAreas& areas) {
    return PreviewBox{areas.plot.left, areas.strip.top, areas.plot.right, areas.strip.bottom};
}

OverviewStrip PlaceOverview(const PreviewFont& font, int width, int traces, double nightSeconds) {
    OverviewStrip s;
    s.width = std::max(width, 0);
    s.inset = 1;
    s.rows = std::max(traces, 0);
    s.height = OverviewHeight(font, s.rows);
    s.rowHeight = s.rows > 0 ? (s.height - 2 * s.inset) / s.rows : 0;
    s.nightSeconds = nightSeconds > 0 ? nightSeconds : 0;
    return s;
}

namespace {

int OverviewColumns(const OverviewStrip& s) { return std::max(0, s.width - 2 * s.inset); }

}  // namespace

int OverviewX(const OverviewStrip& s, double seconds) {
    const int columns = OverviewColumns(s);
    if (!(s.nightSeconds > 0) || !(seconds > 0)) return s.inset;
    const double x = std::floor(seconds * columns / s.nightSeconds);
    return s.inset + static_cast<int>(std::min(x, double(columns)));
}

double OverviewSeconds(const OverviewStrip& s, int x) {
    const int columns = OverviewColumns(s);
    if (columns <= 0) return 0;
    const int c = std::max(0, std::min(x - s.inset, columns - 1));
    return double(c) * s.nightSeconds / columns;
}

void OverviewSpan(const OverviewStrip& s, double from, double to, int least, int* left, int* right) {
    const int end = s.inset + OverviewColumns(s);
    *left = OverviewX(s, from);
    *right = std::max(OverviewX(s, to), *left + std::max(least, 1));
    if (*right > end) {
        *right = end;
        *left = std::max(s.inset, std::min(*left, end - std::max(least, 1)));
    }
}

void OverviewRow(const OverviewStrip& s, int t, int* top, int* bottom) {
    *top = s.inset + std::max(t, 0) * s.rowHeight;
    *bottom = *top + s.rowHeight;
}
