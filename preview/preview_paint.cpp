// Drawing of the signal preview; see preview_paint.h.
#include "preview/preview_paint.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/check_marks.h"
#include "engine/trace_axis.h"
#include "pagekit/check_words.h"
#include "pagekit/held_check.h"
#include "pagekit/program.h"
#include "recfile/recfile.h"
#include "resources/resource_ids.h"
#include "winkit/paint.h"
#include "winkit/winkit.h"

namespace {

const COLORREF kBackground = RGB(255, 255, 255);
const COLORREF kGridColour = RGB(224, 224, 224);
const COLORREF kTickColour = RGB(200, 200, 200);
const COLORREF kTraceColour = RGB(0, 48, 160);
const COLORREF kPositionColour = RGB(0, 120, 0);
const COLORREF kTextColour = RGB(0, 0, 0);
const COLORREF kQuietText = RGB(96, 96, 96);
const COLORREF kSelectedBand = RGB(232, 240, 255);
const int kMostTicks = 5;
const COLORREF kOffScaleColour = RGB(200, 0, 0);

RECT Rect(const PreviewBox& b) { return RECT{b.left, b.top, b.right, b.bottom}; }
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

// Colour `c` mixed with white, `share` of it kept (0..1).
COLORREF Paler(COLORREF c, double share) {
    auto mix = [share](int v) { return static_cast<BYTE>(std::lround(255 - (255 - v) * share)); };
    return RGB(mix(GetRValue(c)), mix(GetGValue(c)), mix(GetBValue(c)));
}

// Colour `c` darkened to `share` of itself, for text in a level's colour.
COLORREF Darker(COLORREF c, double share) {
    auto scale = [share](int v) { return static_cast<BYTE>(std::lround(v * share)); };
    return RGB(scale(GetRValue(c)), scale(GetGValue(c)), scale(GetBValue(c)));
}

// The night check's marks behind the traces: each finding of a trace that
// covers some of the epoch, over the trace's band in the plot. The more
// severe levels are drawn last, so they stay visible where marks overlap.
void PaintMarks(HDC dc, const PreviewAreas& areas, const PreviewPicture& p) {
    if (!p.findings) return;
    const int width = areas.plot.right - areas.plot.left;
    for (int level = int(CheckLevel::Info); level <= int(CheckLevel::Fail); ++level) {
        GdiObject<HBRUSH> brush(CreateSolidBrush(MarkColour(CheckLevel(level))));
        for (const CheckFinding& f : *p.findings) {
            if (int(f.level) != level || f.trace < 0 || f.trace >= p.plan->count) continue;
            int left = 0, right = 0;
            if (!FindingColumns(f, double(p.firstSecond), p.seconds, width, &left, &right)) continue;
            int top = 0, bottom = 0;
            TraceBand(areas, *p.plan, f.trace, &top, &bottom);
            const RECT band = {areas.plot.left + left, top, areas.plot.left + right, bottom - 1};
            FillRect(dc, &band, brush.get());
        }
    }
}

// The most severe level of trace `t`'s findings in the epoch; false when none.
bool WorstLevel(const PreviewPicture& p, int t, CheckLevel* worst) {
    bool any = false;
    if (!p.findings) return false;
    for (const CheckFinding& f : *p.findings) {
        if (f.trace != t || !FindingOverlaps(f, double(p.firstSecond), double(p.firstSecond) + p.seconds)) continue;
        if (!any || int(f.level) > int(*worst)) *worst = f.level;
        any = true;
    }
    return any;
}

void Text(HDC dc, int x, int y, const char* text, COLORREF colour) {
    SetTextColor(dc, colour);
    TextOutA(dc, x, y, text, static_cast<int>(strlen(text)));
}

// Text clipped to `box` (never drawn beyond it): left-aligned, right-aligned
// (DT_RIGHT) or centred (DT_CENTER), at the box's top or, with DT_VCENTER,
// in its middle.
void TextIn(HDC dc, const RECT& box, const char* text, COLORREF colour, UINT format) {
    SetTextColor(dc, colour);
    const int length = static_cast<int>(strlen(text));
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text, length, &size);
    int x = box.left, y = box.top;
    if (format & DT_RIGHT) x = std::max<int>(box.left, box.right - size.cx);
    else if (format & DT_CENTER) x = box.left + (box.right - box.left - size.cx) / 2;
    if (format & DT_VCENTER) y = box.top + (box.bottom - box.top - size.cy) / 2;
    ExtTextOutA(dc, x, y, ETO_CLIPPED, &box, text, static_cast<UINT>(length), nullptr);
}

void LoadText(int id, char* out, int size) {
    if (LoadStringA(g_program.instance, id, out, size) <= 0 && size > 0) out[0] = '\0';
}

// Seconds between the time axis's marks, about six marks an epoch.
int32_t MarkStep(int32_t seconds) {
    static const int32_t kSteps[] = {1, 2, 5, 10, 15, 20, 30, 60, 120, 300, 600};
    for (int32_t step : kSteps)
        if (seconds / step <= 6) return step;
    return 600;
}

// A trace's band and its vertical scale: value v is drawn at
// mid - (v - centre) x pixelsPerUnit, kept inside the band.
struct Band {
    int top, bottom, mid;
    double centre, pixelsPerUnit;
    int Y(double v) const {
        const double y = mid - (v - centre) * pixelsPerUnit;
        if (!(y >= top)) return top;   // NaN too
        if (y > bottom - 1) return bottom - 1;
        return static_cast<int>(std::lround(y));
    }
    // The values at the band's top and bottom edge, where Y keeps a value.
    double TopValue() const { return centre + (mid - top) / pixelsPerUnit; }
    double BottomValue() const { return centre - (bottom - 1 - mid) / pixelsPerUnit; }
};

Band BandOf(const PreviewAreas& areas, const PreviewPicture& p, int t) {
    Band b;
    TraceBand(areas, *p.plan, t, &b.top, &b.bottom);
    const TraceAxis& axis = p.axes[t];
    const double half = std::max(1.0, (b.bottom - b.top) / 2.0 - 2.0);
    b.mid = (b.top + b.bottom) / 2;
    if (axis.absolute) {
        b.centre = (axis.low + axis.high) / 2;
        b.pixelsPerUnit = axis.high > axis.low ? 2 * half / (axis.high - axis.low) : 1.0;
    } else {
        // About the middle of the epoch's signal, single spikes left out.
        double low = 0, high = 0;
        const ColumnRange* col = p.columns + size_t(t) * size_t(p.columnCount);
        b.centre = RobustRange(col, p.columnCount, &low, &high) ? (low + high) / 2 : 0.0;
        b.pixelsPerUnit = axis.amplitude > 0 ? half / axis.amplitude : 1.0;
    }
    return b;
}

// "50", "0.5", "96.5", "1.2e+04": short enough for the scale column.
void ValueText(char* out, size_t size, double v) { snprintf(out, size, "%.4g", v); }

// ---- the layers ----------------------------------------------------------

// White behind everything, the chosen trace's band tinted, a line under
// each band and the time grid.
void PaintBackground(HDC dc, const RECT& client, const PreviewAreas& areas, const PreviewPicture& p) {
    GdiObject<HBRUSH> background(CreateSolidBrush(kBackground));
    FillRect(dc, &client, background.get());
    const int count = p.plan->count;
    if (p.selected >= 0 && p.selected < count) {
        int top = 0, bottom = 0;
        TraceBand(areas, *p.plan, p.selected, &top, &bottom);
        GdiObject<HBRUSH> tint(CreateSolidBrush(kSelectedBand));
        RECT band = {areas.labels.left, top, areas.plot.right, bottom};
        FillRect(dc, &band, tint.get());
    }
    GdiObject<HPEN> gridPen(CreatePen(PS_SOLID, 1, kGridColour));
    SelectScope pen(dc, gridPen.get());
    for (int t = 0; t < count; ++t) {
        int top = 0, bottom = 0;
        TraceBand(areas, *p.plan, t, &top, &bottom);
        MoveToEx(dc, areas.labels.left, bottom - 1, nullptr);
        LineTo(dc, areas.plot.right, bottom - 1);
    }
    const int32_t step = MarkStep(p.seconds);
    const int width = areas.plot.right - areas.plot.left;
    for (int32_t s = 0; s <= p.seconds; s += step) {
        const int x = areas.plot.left + static_cast<int>(int64_t{s} * width / p.seconds);
        MoveToEx(dc, x, areas.plot.top, nullptr);
        LineTo(dc, x, areas.plot.bottom + 3);
    }
}

// The trace as one polyline: each column's range as a vertical stroke,
// entered at the end nearer its first value and left at the other; a
// body-position trace keeps its level to the next column before it steps.
void PaintTrace(HDC dc, const PreviewAreas& areas, const PreviewPicture& p, int t, const Band& b,
                std::vector<POINT>& points) {
    const TraceInfo& trace = p.plan->traces[t];
    const ColumnRange* col = p.columns + size_t(t) * size_t(p.columnCount);
    const bool steps = trace.signalType == REC_TYPE_POSITION;
    points.clear();
    bool started = false;
    int lastY = 0;
    for (int32_t c = 0; c < p.columnCount; ++c) {
        const ColumnRange& r = col[c];
        if (r.low > r.high) continue;
        const int x = areas.plot.left + c;
        if (steps) {
            if (started) points.push_back(POINT{x, lastY});
            points.push_back(POINT{x, b.Y(r.first)});
            points.push_back(POINT{x, b.Y(r.low)});
            points.push_back(POINT{x, b.Y(r.high)});
            lastY = b.Y(r.last);
            points.push_back(POINT{x, lastY});
        } else {
            const bool rising = r.first - r.low <= r.high - r.first;
            points.push_back(POINT{x, b.Y(rising ? r.low : r.high)});
            points.push_back(POINT{x, b.Y(rising ? r.high : r.low)});
        }
        started = true;
    }
    if (points.size() > 1) Polyline(dc, points.data(), static_cast<int>(points.size()));
}

// Values past the band's edge: the columns hatched along the edge they
// pass, under a line on the edge itself, and an arrow pointing out of the
// band at the start of a run (one arrow in a stretch of many short runs).
void PaintOffScale(HDC dc, const PreviewAreas& areas, const PreviewPicture& p, int t, const Band& b, int dpi) {
    if (p.plan->traces[t].signalType == REC_TYPE_POSITION) return;   // levels only, never past them
    const ColumnRange* col = p.columns + size_t(t) * size_t(p.columnCount);
    const std::vector<OffScaleRun> runs = OffScaleRuns(col, p.columnCount, b.BottomValue(), b.TopValue());
    if (runs.empty()) return;
    const int room = std::max(4, (b.bottom - b.top) / 4);
    const int depth = std::min(PixelsAt(6, dpi), room), arrow = std::min(PixelsAt(4, dpi), room / 2);
    const int line = std::max(1, PixelsAt(2, dpi) / 2);
    GdiObject<HBRUSH> hatch(CreateHatchBrush(HS_BDIAGONAL, kOffScaleColour));
    GdiObject<HBRUSH> solid(CreateSolidBrush(kOffScaleColour));
    GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, kOffScaleColour));
    SelectScope penScope(dc, pen.get());
    SelectScope brushScope(dc, solid.get());
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    int lastArrow[2] = {-1000000, -1000000};   // above, below
    for (const OffScaleRun& run : runs) {
        const int left = areas.plot.left + run.first, right = areas.plot.left + run.last + 1;
        const int edge = run.above ? b.top : b.bottom - line;
        const RECT strip = run.above ? RECT{left, b.top, right, b.top + depth} : RECT{left, b.bottom - depth, right, b.bottom};
        FillRect(dc, &strip, hatch.get());
        const RECT onEdge = {left, edge, right, edge + line};
        FillRect(dc, &onEdge, solid.get());
        int& last = lastArrow[run.above ? 0 : 1];
        if (left - last < 6 * arrow) continue;
        last = left;
        // The arrow: a small triangle whose point touches the edge passed.
        const int x = std::min(left + arrow, int(areas.plot.right) - arrow - 1);
        const int tip = run.above ? b.top : b.bottom - 1;
        const int base = run.above ? tip + 2 * arrow : tip - 2 * arrow;
        const POINT triangle[3] = {{x, tip}, {x - arrow, base}, {x + arrow, base}};
        Polygon(dc, triangle, 3);
    }
    SetBkMode(dc, oldMode);
}

// Beside the band: a centred trace's values at its edges ("+50" and
// "-50"), an absolute trace's value ticks with a faint line across.
void PaintScale(HDC dc, const PreviewAreas& areas, const PreviewPicture& p, int t, const Band& b, HPEN tickPen,
                int lineHeight) {
    const TraceInfo& trace = p.plan->traces[t];
    if (trace.signalType == REC_TYPE_POSITION) return;   // its level names stand for values
    const TraceAxis& axis = p.axes[t];
    RECT box = Rect(areas.scale);
    box.right -= 3;
    char text[32];
    if (!axis.absolute) {
        if (b.bottom - b.top < 2 * lineHeight) {   // room for one number: the amplitude
            char value[24];
            ValueText(value, sizeof value, axis.amplitude);
            snprintf(text, sizeof text, "±%s", value);
            box.top = b.mid - lineHeight / 2;
            box.bottom = box.top + lineHeight;
            TextIn(dc, box, text, kTextColour, DT_RIGHT);
            return;
        }
        snprintf(text, sizeof text, "+");
        ValueText(text + 1, sizeof text - 1, axis.amplitude);
        box.top = b.top + 1;
        box.bottom = box.top + lineHeight;
        TextIn(dc, box, text, kTextColour, DT_RIGHT);
        snprintf(text, sizeof text, "-");
        ValueText(text + 1, sizeof text - 1, axis.amplitude);
        box.bottom = b.bottom - 1;
        box.top = box.bottom - lineHeight;
        TextIn(dc, box, text, kTextColour, DT_RIGHT);
        return;
    }
    double ticks[kMostTicks];
    const int most = std::max(1, std::min(kMostTicks, (b.bottom - b.top) / std::max(lineHeight, 1)));
    const int n = AxisTicks(axis.low, axis.high, most, ticks);
    SelectScope pen(dc, tickPen);
    for (int i = 0; i < n; ++i) {
        const int y = b.Y(ticks[i]);
        MoveToEx(dc, areas.scale.right - 3, y, nullptr);
        LineTo(dc, areas.plot.right, y);
        ValueText(text, sizeof text, ticks[i]);
        box.top = std::max(b.top, std::min(b.bottom - lineHeight, y - lineHeight / 2));
        box.bottom = box.top + lineHeight;
        TextIn(dc, box, text, kTextColour, DT_RIGHT);
    }
}

// A body-position trace's level lines and names: each name in the window's
// font on a white ground at the left of the plot, drawn after the trace so
// the trace never crosses it; a name that would overlap the one drawn
// before is left out.
void PaintLevelLabels(HDC dc, const PreviewAreas& areas, const PreviewPicture& p, int t, const Band& b,
                      int lineHeight) {
    const TraceInfo& trace = p.plan->traces[t];
    if (trace.signalType != REC_TYPE_POSITION || !p.levels) return;
    const int count = std::min<int>(p.levels->levelCount, kMaxLevels);
    int lastY = -1000000;
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, kBackground);
    for (int l = 0; l < count; ++l) {
        const int y = b.Y(PhysicalValue(trace.scale, p.levels->centers[l]));
        if (std::abs(y - lastY) < lineHeight) continue;
        lastY = y;
        char label[kLevelLabelSize + 1];
        memcpy(label, p.levels->levelLabels[l], kLevelLabelSize);
        label[kLevelLabelSize] = '\0';
        const int top = std::max(b.top, std::min(b.bottom - lineHeight, y - lineHeight / 2));
        Text(dc, areas.plot.left + 4, top, label, kQuietText);
    }
    SetBkMode(dc, TRANSPARENT);
}

// Of `names`, the whole names that fit `width` pixels of `dc`'s font.
void FittingNames(HDC dc, const char* names, int width, char* out, size_t size) {
    FitWholeNames(
        names, width,
        [dc](const char* text) {
            SIZE used = {0, 0};
            GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &used);
            return int(used.cx);
        },
        out, size);
}

// At the left of the band: the label (the source channel's number when it
// has none) with the unit, after it the names of the checks that flag the
// trace in the epoch (in the colour of the worst; on a line of their own
// when not all fit after the label; whole names only), and under them
// the filters the trace is drawn through, or that it shows the file's values.
void PaintLabels(HDC dc, const PreviewAreas& areas, const PreviewPicture& p, int t, const char* unfiltered,
                 int lineHeight) {
    const TraceInfo& trace = p.plan->traces[t];
    int top = 0, bottom = 0;
    TraceBand(areas, *p.plan, t, &top, &bottom);
    const int lines = (bottom - top - 2) / std::max(lineHeight, 1);
    char line[96];
    if (trace.label[0]) snprintf(line, sizeof line, "%s", trace.label);
    else snprintf(line, sizeof line, "Ch%d", int(trace.source + 1));
    if (trace.unit[0] && trace.signalType != REC_TYPE_POSITION) {
        const size_t used = strlen(line);
        snprintf(line + used, sizeof line - used, " [%s]", trace.unit);
    }
    RECT box = {areas.labels.left + 4, top + 1, areas.labels.right - 2, top + 1 + lineHeight};
    TextIn(dc, box, line, kTextColour, DT_LEFT);
    CheckLevel worst = CheckLevel::Info;
    if (WorstLevel(p, t, &worst)) {
        char names[96], shown[96];
        FindingNames(*p.findings, t, double(p.firstSecond), double(p.firstSecond) + p.seconds, names, sizeof names,
                     KindText);
        SIZE used = {0, 0};
        GetTextExtentPoint32A(dc, line, static_cast<int>(strlen(line)), &used);
        RECT after = box;
        after.left = std::min<LONG>(box.right, box.left + used.cx + lineHeight / 2);
        FittingNames(dc, names, after.right - after.left, shown, sizeof shown);
        if (strcmp(shown, names) != 0 && lines >= 2) {
            // Not all of them after the label: a line of their own.
            after = box;
            after.top += lineHeight;
            after.bottom += lineHeight;
            FittingNames(dc, names, after.right - after.left, shown, sizeof shown);
            box = after;
        }
        TextIn(dc, after, shown, Darker(CheckLevelColour(worst), 0.6), DT_LEFT);
    }
    if (box.bottom + lineHeight > bottom - 1) return;
    if (!AnyFilter(trace.filters)) return;
    if (p.filtered) FormatFilters(line, sizeof line, trace.filters);
    else snprintf(line, sizeof line, "%s", unfiltered);
    box.top += lineHeight;
    box.bottom += lineHeight;
    TextIn(dc, box, line, kQuietText, DT_LEFT);
}

void PaintNotWritten(HDC dc, const PreviewAreas& areas, const PreviewPicture& p, int t, int lineHeight) {
    int top = 0, bottom = 0;
    TraceBand(areas, *p.plan, t, &top, &bottom);
    char text[128];
    LoadText(IDS_PREV_NOT_WRITTEN, text, sizeof text);
    Text(dc, areas.plot.left + 8, (top + bottom) / 2 - lineHeight / 2, text, kQuietText);
}

void PaintTimeAxis(HDC dc, const PreviewAreas& areas, const PreviewPicture& p) {
    const int32_t step = MarkStep(p.seconds);
    const int width = areas.plot.right - areas.plot.left;
    for (int32_t s = 0; s < p.seconds; s += step) {
        const int x = areas.plot.left + static_cast<int>(int64_t{s} * width / p.seconds);
        char clock[16];
        FormatClockTime(clock, sizeof clock, *p.source, p.firstSecond + s);
        RECT box = {x + 2, areas.axis.top, areas.axis.right, areas.axis.bottom};
        TextIn(dc, box, clock, kTextColour, DT_LEFT | DT_VCENTER);
    }
}

}  // namespace

PreviewFont MeasureFont(HDC dc) {
    SelectScope font(dc, WkGetFont(0, 0));
    TEXTMETRICA metrics;
    memset(&metrics, 0, sizeof metrics);
    GetTextMetricsA(dc, &metrics);
    PreviewFont f;
    f.dpi = GetDeviceCaps(dc, LOGPIXELSY);
    f.charWidth = std::max<int>(1, metrics.tmAveCharWidth);
    f.lineHeight = std::max<int>(1, metrics.tmHeight);
    return f;
}

void PaintPreview(HDC dc, const RECT& client, const PreviewAreas& areas, const PreviewPicture& p) {
    const int count = p.plan ? p.plan->count : 0;
    if (count <= 0 || p.seconds <= 0 || !p.columns || !p.axes) {
        GdiObject<HBRUSH> background(CreateSolidBrush(kBackground));
        FillRect(dc, &client, background.get());
        return;
    }
    SelectScope font(dc, WkGetFont(0, 0));
    SetBkMode(dc, TRANSPARENT);
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    const int lineHeight = metrics.tmHeight;

    PaintBackground(dc, client, areas, p);
    ShadeNotRecorded(dc, Rect(areas.plot), p);
    PaintMarks(dc, areas, p);
    std::vector<Band> bands(static_cast<size_t>(count));
    for (int t = 0; t < count; ++t) bands[size_t(t)] = BandOf(areas, p, t);
    GdiObject<HPEN> tracePen(CreatePen(PS_SOLID, 1, kTraceColour));
    GdiObject<HPEN> positionPen(CreatePen(PS_SOLID, 1, kPositionColour));
    GdiObject<HPEN> tickPen(CreatePen(PS_DOT, 1, kTickColour));
    std::vector<POINT> points;
    points.reserve(size_t(p.columnCount) * 5);
    for (int t = 0; t < count; ++t) {
        if (p.plan->traces[t].outputRate <= 0) continue;
        SelectScope pen(dc, p.plan->traces[t].signalType == REC_TYPE_POSITION ? positionPen.get() : tracePen.get());
        PaintTrace(dc, areas, p, t, bands[size_t(t)], points);
    }
    for (int t = 0; t < count; ++t) {
        if (p.plan->traces[t].outputRate <= 0) {
            PaintNotWritten(dc, areas, p, t, lineHeight);
            continue;
        }
        PaintOffScale(dc, areas, p, t, bands[size_t(t)], GetDeviceCaps(dc, LOGPIXELSY));
        PaintScale(dc, areas, p, t, bands[size_t(t)], tickPen.get(), lineHeight);
    }
    char unfiltered[64];
    LoadText(IDS_PREV_UNFILTERED, unfiltered, sizeof unfiltered);
    for (int t = 0; t < count; ++t) {
        PaintLabels(dc, areas, p, t, unfiltered, lineHeight);
        PaintLevelLabels(dc, areas, p, t, bands[size_t(t)], lineHeight);
    }
    PaintTimeAxis(dc, areas, p);
}

bool TraceEdgeValues(const PreviewAreas& areas, const PreviewPicture& p, int t, double* low, double* high) {
    if (!p.plan || t < 0 || t >= p.plan->count || !p.columns || !p.axes || p.columnCount <= 0) return false;
    const Band b = BandOf(areas, p, t);
    *low = b.BottomValue();
    *high = b.TopValue();
    return true;
}

COLORREF MarkColour(CheckLevel level) { return Paler(CheckLevelColour(level), 0.35); }

void PaintOverview(HDC dc, const RECT& client, const OverviewStrip& s, const OverviewPicture& p) {
    GdiObject<HBRUSH> background(CreateSolidBrush(kBackground));
    FillRect(dc, &client, background.get());
    GdiObject<HBRUSH> frame(CreateSolidBrush(kGridColour));
    FrameRect(dc, &client, frame.get());
    if (p.selected >= 0 && p.selected < s.rows) {
        int top = 0, bottom = 0;
        OverviewRow(s, p.selected, &top, &bottom);
        GdiObject<HBRUSH> tint(CreateSolidBrush(kSelectedBand));
        const RECT row = {s.inset, top, s.width - s.inset, bottom};
        FillRect(dc, &row, tint.get());
    }
    if (p.findings) {
        for (int level = int(CheckLevel::Info); level <= int(CheckLevel::Fail); ++level) {
            GdiObject<HBRUSH> brush(CreateSolidBrush(CheckLevelColour(CheckLevel(level))));
            for (const CheckFinding& f : *p.findings) {
                if (int(f.level) != level || f.trace < 0 || f.trace >= s.rows) continue;
                if (!std::isfinite(f.startSeconds) || !std::isfinite(f.endSeconds)) continue;
                int left = 0, right = 0, top = 0, bottom = 0;
                OverviewSpan(s, f.startSeconds, f.endSeconds, 1, &left, &right);
                OverviewRow(s, f.trace, &top, &bottom);
                const RECT mark = {left, top, right, bottom};
                FillRect(dc, &mark, brush.get());
            }
        }
    }
    if (p.epochStart >= 0 && p.epochSeconds > 0) {
        int left = 0, right = 0;
        OverviewSpan(s, p.epochStart, p.epochStart + p.epochSeconds, 3, &left, &right);
        GdiObject<HBRUSH> outline(CreateSolidBrush(kTextColour));
        const RECT epoch = {left, 0, right, s.height};
        FrameRect(dc, &epoch, outline.get());
    }
}

void PaintNoRecording(HDC dc, const RECT& client, const PreviewAreas& areas) {
    GdiObject<HBRUSH> background(CreateSolidBrush(kBackground));
    FillRect(dc, &client, background.get());
    SelectScope font(dc, WkGetFont(0, 0));
    SetBkMode(dc, TRANSPARENT);
    char text[128];
    LoadText(IDS_PREV_NO_RECORDING, text, sizeof text);
    RECT box = {client.left, areas.plot.top, client.right, areas.plot.bottom};
    TextIn(dc, box, text, kQuietText, DT_CENTER | DT_VCENTER);
}
