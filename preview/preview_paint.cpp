// Drawing of the signal preview; see preview_paint.h.
#include "preview/preview_paint.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "winkit/paint.h"
#include "winkit/winkit.h"

namespace {

const int kBarHeight = 34;      // the row of controls along the top
const int kLabelWidth = 120;    // label, unit and scale of each trace
const int kAxisHeight = 20;     // clock times along the bottom
const int kRightMargin = 8;

const COLORREF kBackground = RGB(255, 255, 255);
const COLORREF kGridColour = RGB(224, 224, 224);
const COLORREF kTraceColour = RGB(0, 48, 160);
const COLORREF kPositionColour = RGB(0, 120, 0);
const COLORREF kTextColour = RGB(0, 0, 0);
const COLORREF kQuietText = RGB(112, 112, 112);
const COLORREF kNotRecorded = RGB(232, 232, 232);

// Shades the columns where nothing was recorded (after the end, or a
// stretch that could not be read), so held samples do not pass for a signal.
void ShadeNotRecorded(HDC dc, const RECT& plot, const PreviewPicture& p) {
    if (!p.notRecorded) return;
    GdiObject<HBRUSH> shade(CreateSolidBrush(kNotRecorded));
    for (int32_t c = 0; c < p.columnCount;) {
        if (!p.notRecorded[c]) {
            ++c;
            continue;
        }
        int32_t end = c;
        while (end < p.columnCount && p.notRecorded[end]) ++end;
        const RECT band = {plot.left + c, plot.top, plot.left + end, plot.bottom};
        FillRect(dc, &band, shade.get());
        c = end;
    }
}

void Text(HDC dc, int x, int y, const char* text, COLORREF colour) {
    SetTextColor(dc, colour);
    TextOutA(dc, x, y, text, static_cast<int>(strlen(text)));
}

// Seconds between the time axis's marks, about six marks an epoch.
int32_t MarkStep(int32_t seconds) {
    static const int32_t kSteps[] = {1, 2, 5, 10, 15, 20, 30, 60, 120, 300, 600};
    for (int32_t step : kSteps)
        if (seconds / step <= 6) return step;
    return 600;
}

// The vertical scale of one trace: value v is drawn at mid - (v - centre) x pixelsPerUnit.
struct VerticalScale {
    double centre, pixelsPerUnit;
    int mid;
};

int YOf(const VerticalScale& s, double v, int top, int bottom) {
    const double y = s.mid - (v - s.centre) * s.pixelsPerUnit;
    if (!(y >= top)) return top;   // NaN too
    if (y > bottom - 1) return bottom - 1;
    return static_cast<int>(std::lround(y));
}

// The lowest and highest value the trace's columns hold; false when none.
bool ColumnSpan(const ColumnRange* col, int32_t columns, double* low, double* high) {
    bool any = false;
    for (int32_t c = 0; c < columns; ++c) {
        if (col[c].low > col[c].high) continue;
        *low = any ? std::min<double>(*low, col[c].low) : col[c].low;
        *high = any ? std::max<double>(*high, col[c].high) : col[c].high;
        any = true;
    }
    return any;
}

// The physical levels of the position table in the trace's units.
int PositionLevels(const PreviewPicture& p, const TraceInfo& trace, double* values) {
    const int count = std::min<int>(p.levels ? p.levels->levelCount : 0, kMaxLevels);
    for (int l = 0; l < count; ++l) values[l] = PhysicalValue(trace.scale, p.levels->centers[l]);
    return count;
}

// A body-position trace spans its level table (with a margin); any other is
// centred on the middle of its epoch and shows +-sensitivity / gain in half
// its band.
VerticalScale ScaleOf(const PreviewPicture& p, int t, const ColumnRange* col, int top, int bottom, double* amplitude) {
    const TraceInfo& trace = p.plan->traces[t];
    VerticalScale s;
    s.mid = (top + bottom) / 2;
    const double half = std::max(1.0, (bottom - top) / 2.0 - 2.0);
    double low = 0, high = 0;
    const bool any = ColumnSpan(col, p.columnCount, &low, &high);
    double levels[kMaxLevels];
    const int levelCount = trace.signalType == REC_TYPE_POSITION ? PositionLevels(p, trace, levels) : 0;
    if (levelCount > 0) {
        low = *std::min_element(levels, levels + levelCount);
        high = *std::max_element(levels, levels + levelCount);
        const double margin = high > low ? (high - low) / 6.0 : 1.0;
        s.centre = (low + high) / 2.0;
        *amplitude = (high - low) / 2.0 + margin;
    } else {
        s.centre = any ? (low + high) / 2.0 : 0.0;
        double a = trace.sensitivity > 0 ? trace.sensitivity / 1000.0 : (any ? (high - low) / 2.0 : 1.0);
        if (!(a > 0)) a = 1.0;
        *amplitude = a / (p.gain * p.traceGain[t]);
    }
    s.pixelsPerUnit = half / *amplitude;
    return s;
}

// The trace as one polyline: into each column at its first value, down and
// up its range, out at its last; a body-position trace keeps its level to
// the next column before it steps.
void DrawColumns(HDC dc, const RECT& plot, int top, int bottom, const ColumnRange* col, int32_t columns,
                 const VerticalScale& s, bool steps, std::vector<POINT>& points) {
    points.clear();
    bool started = false;
    int lastY = 0;
    for (int32_t c = 0; c < columns; ++c) {
        const ColumnRange& r = col[c];
        if (r.low > r.high) continue;
        const int x = plot.left + c;
        if (steps && started) points.push_back(POINT{x, lastY});
        points.push_back(POINT{x, YOf(s, r.first, top, bottom)});
        points.push_back(POINT{x, YOf(s, r.low, top, bottom)});
        points.push_back(POINT{x, YOf(s, r.high, top, bottom)});
        lastY = YOf(s, r.last, top, bottom);
        points.push_back(POINT{x, lastY});
        started = true;
    }
    if (points.size() > 1) Polyline(dc, points.data(), static_cast<int>(points.size()));
}

// The label (the source channel's number when it has none) and, under it,
// the amplitude from the middle line to the band's edge in the trace's unit;
// a body-position trace shows its levels instead.
void DrawLabel(HDC dc, const RECT& area, int top, const TraceInfo& trace, double amplitude, int lineHeight) {
    char line[64];
    if (trace.label[0]) snprintf(line, sizeof line, "%s", trace.label);
    else snprintf(line, sizeof line, "Ch%d", int(trace.source + 1));
    Text(dc, area.left + 4, top + 2, line, kTextColour);
    if (trace.signalType == REC_TYPE_POSITION) return;
    snprintf(line, sizeof line, "±%.4g %s", amplitude, trace.unit);
    Text(dc, area.left + 4, top + 2 + lineHeight, line, kQuietText);
}

// The font of the level labels: the window's font at two thirds its height.
HFONT SmallFont(HFONT font) {
    LOGFONTA shape;
    if (!font || GetObjectA(font, sizeof shape, &shape) != sizeof shape) return nullptr;
    shape.lfHeight = shape.lfHeight * 2 / 3;
    if (shape.lfHeight == 0) shape.lfHeight = -8;
    shape.lfWidth = 0;
    return CreateFontIndirectA(&shape);
}

// A line at each level with its label at the left of the plot, in the
// small font; a label that would overlap the one drawn before is left out.
void DrawLevelLabels(HDC dc, const RECT& plot, int top, int bottom, const PreviewPicture& p, const TraceInfo& trace,
                     const VerticalScale& s) {
    double levels[kMaxLevels];
    const int count = PositionLevels(p, trace, levels);
    GdiObject<HFONT> small(SmallFont(WkGetFont(0, 0)));
    SelectScope font(dc, small.get());
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    const int height = metrics.tmHeight;
    int lastY = -1000000;
    for (int l = 0; l < count; ++l) {
        const int y = YOf(s, levels[l], top, bottom);
        MoveToEx(dc, plot.left, y, nullptr);
        LineTo(dc, plot.right, y);
        if (std::abs(y - lastY) < height - 1) continue;
        lastY = y;
        char label[kLevelLabelSize + 1];
        memcpy(label, p.levels->levelLabels[l], kLevelLabelSize);
        label[kLevelLabelSize] = '\0';
        Text(dc, plot.left + 4, y - height / 2, label, kQuietText);
    }
}

void DrawTimeAxis(HDC dc, const RECT& plot, const PreviewPicture& p, int lineHeight) {
    const int32_t step = MarkStep(p.seconds);
    for (int32_t t = 0; t <= p.seconds; t += step) {
        const int x = plot.left + static_cast<int>(int64_t{t} * (plot.right - plot.left) / p.seconds);
        MoveToEx(dc, x, plot.top, nullptr);
        LineTo(dc, x, plot.bottom + 3);
        if (t == p.seconds) break;
        char clock[16];
        FormatClockTime(clock, sizeof clock, *p.source, p.firstSecond + t);
        Text(dc, x + 2, plot.bottom + (kAxisHeight - lineHeight) / 2, clock, kTextColour);
    }
}

}  // namespace

RECT PlotRect(const RECT& area) {
    RECT plot = {area.left + kLabelWidth, area.top + kBarHeight, area.right - kRightMargin, area.bottom - kAxisHeight};
    if (plot.right < plot.left + 1) plot.right = plot.left + 1;
    if (plot.bottom < plot.top + 1) plot.bottom = plot.top + 1;
    return plot;
}

int32_t PlotColumns(const RECT& area) {
    const RECT plot = PlotRect(area);
    return plot.right - plot.left;
}

int TraceAt(const RECT& area, int count, int y) {
    const RECT plot = PlotRect(area);
    if (count <= 0 || y < plot.top || y >= plot.bottom) return -1;
    const int t = static_cast<int>(int64_t{y - plot.top} * count / (plot.bottom - plot.top));
    return t < count ? t : -1;
}

bool InLabelColumn(const RECT& area, int x) { return x >= area.left && x < area.left + kLabelWidth; }

void PaintPreview(HDC dc, const RECT& area, const PreviewPicture& p) {
    GdiObject<HBRUSH> background(CreateSolidBrush(kBackground));
    FillRect(dc, &area, background.get());
    const int count = p.plan ? p.plan->count : 0;
    if (count <= 0 || p.seconds <= 0 || !p.columns) return;
    SelectScope font(dc, WkGetFont(0, 0));
    SetBkMode(dc, TRANSPARENT);
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    const int lineHeight = metrics.tmHeight;
    const RECT plot = PlotRect(area);

    ShadeNotRecorded(dc, plot, p);
    GdiObject<HPEN> gridPen(CreatePen(PS_SOLID, 1, kGridColour));
    GdiObject<HPEN> tracePen(CreatePen(PS_SOLID, 1, kTraceColour));
    GdiObject<HPEN> positionPen(CreatePen(PS_SOLID, 1, kPositionColour));
    {
        SelectScope pen(dc, gridPen.get());
        DrawTimeAxis(dc, plot, p, lineHeight);
    }
    std::vector<POINT> points;
    points.reserve(size_t(p.columnCount) * 5);
    const int height = plot.bottom - plot.top;
    for (int t = 0; t < count; ++t) {
        const int top = plot.top + static_cast<int>(int64_t{height} * t / count);
        const int bottom = plot.top + static_cast<int>(int64_t{height} * (t + 1) / count);
        const TraceInfo& trace = p.plan->traces[t];
        const ColumnRange* col = p.columns + size_t(t) * size_t(p.columnCount);
        double amplitude = 0;
        const VerticalScale s = ScaleOf(p, t, col, top, bottom, &amplitude);
        const bool position = trace.signalType == REC_TYPE_POSITION;
        {
            SelectScope pen(dc, gridPen.get());
            MoveToEx(dc, area.left, bottom - 1, nullptr);
            LineTo(dc, plot.right, bottom - 1);
            if (position) DrawLevelLabels(dc, plot, top, bottom, p, trace, s);
        }
        DrawLabel(dc, area, top, trace, amplitude, lineHeight);
        if (trace.outputRate <= 0) {
            Text(dc, plot.left + 8, s.mid - lineHeight / 2, "Rateが整数の周波数にならないため出力されません", kQuietText);
            continue;
        }
        SelectScope pen(dc, position ? positionPen.get() : tracePen.get());
        DrawColumns(dc, plot, top, bottom, col, p.columnCount, s, position, points);
    }
}

void PaintNoRecording(HDC dc, const RECT& area) {
    GdiObject<HBRUSH> background(CreateSolidBrush(kBackground));
    FillRect(dc, &area, background.get());
    SelectScope font(dc, WkGetFont(0, 0));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kQuietText);
    RECT box = PlotRect(area);
    box.left = area.left;
    DrawTextA(dc, "記録が開かれていません", -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}
