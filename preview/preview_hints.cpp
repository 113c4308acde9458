// The preview's hints: one over the traces whose text follows what is under
// the pointer (a mark of the night check, a run of values off the scale),
// one over the overview strip.
#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/check_marks.h"
#include "engine/trace_axis.h"
#include "pagekit/check_words.h"
#include "pagekit/program.h"
#include "preview/preview_paint.h"
#include "preview/preview_view.h"
#include "recfile/recfile.h"
#include "resources/resource_ids.h"

namespace preview {

// The hints: one over the traces whose text follows the mark under the
// pointer, one over the strip.
void BuildHints(HWND window, PreviewView& v) {
    v.tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                            g_program.instance, nullptr);
    if (!v.tip) return;
    char overviewHint[160];   // the tooltip keeps its own copy
    LoadText(IDS_PREV_OVERVIEW_HINT, overviewHint, sizeof overviewHint);
    TOOLINFOA tool;
    memset(&tool, 0, sizeof tool);
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window;
    tool.uId = reinterpret_cast<UINT_PTR>(window);
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(v.tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    if (v.overview) {
        tool.uId = reinterpret_cast<UINT_PTR>(v.overview);
        tool.lpszText = overviewHint;
        SendMessageA(v.tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    SendMessageA(v.tip, TTM_SETMAXTIPWIDTH, 0, PixelsAt(480, v.font.dpi));
}

// The finding under point (x, y) of the traces, -1 for none.
int FindingUnder(const PreviewView& v, int x, int y) {
    const std::vector<CheckFinding>* findings = ShownFindings(v);
    const int width = PlotColumns(v.areas);
    if (!findings || width <= 0 || x < v.areas.plot.left || x >= v.areas.plot.right) return -1;
    const int t = TraceAtRow(v.areas, v.plan, y);
    if (t < 0) return -1;
    const double at = double(v.epoch) * v.epochSeconds + double(x - v.areas.plot.left) * v.epochSeconds / width;
    return FindingAt(*findings, t, at);
}

// The hint's line for a run off the scale: `format` (from the string table)
// filled with the value and the trace's unit ("0 %"), the value rounded to
// a thousandth of the band's span so a reading of 1e-14 shows as 0.
void OffScaleText(char* out, size_t size, const char* format, const OffScaleHover& run, const char* unit) {
    double value = run.farthest;
    if (run.span > 0) {
        const double step = std::pow(10.0, std::floor(std::log10(run.span)) - 3);
        value = std::round(value / step) * step;
        if (std::fabs(value) < step / 2) value = 0;   // never "-0"
    }
    char text[48];
    snprintf(text, sizeof text, unit[0] ? "%.6g %s" : "%.6g%s", value, unit);
    snprintf(out, size, format, text);
}

// The run of values past the edge of a trace's band under point (x, y) as
// drawn last, the point in the half of the band by the edge passed; false
// when there is none.
bool OffScaleUnder(const PreviewView& v, int x, int y, OffScaleHover* out) {
    if (!v.Open() || !v.epochs || !v.columnsValid || x < v.areas.plot.left || x >= v.areas.plot.right) return false;
    const int t = TraceAtRow(v.areas, v.plan, y);
    const int column = x - v.areas.plot.left;
    if (t < 0 || column >= v.columnCount || !v.placed[t] || v.plan.traces[t].signalType == REC_TYPE_POSITION)
        return false;
    double low = 0, high = 0;
    if (!TraceEdgeValues(v.areas, PictureOf(v), t, &low, &high)) return false;
    for (const OffScaleRun& run :
         OffScaleRuns(v.columns.data() + size_t(t) * size_t(v.columnCount), v.columnCount, low, high)) {
        if (column < run.first || column > run.last) continue;
        int top = 0, bottom = 0;   // the half of the band on the side of the edge passed
        TraceBand(v.areas, v.plan, t, &top, &bottom);
        if (run.above ? y >= (top + bottom) / 2 : y < (top + bottom) / 2) continue;
        *out = OffScaleHover{t, run.first, run.above, run.farthest, high - low};
        return true;
    }
    return false;
}

// A new mark or run of values off the scale under the pointer: the hint
// goes, to come back with its text.
void OnMouseMove(PreviewView& v, LPARAM at) {
    const int x = static_cast<short>(LOWORD(at)), y = static_cast<short>(HIWORD(at));
    const int under = FindingUnder(v, x, y);
    OffScaleHover off = {-1, -1, false, 0, 0};
    OffScaleUnder(v, x, y, &off);
    if (under == v.hovered && off.trace == v.offScale.trace && off.first == v.offScale.first &&
        off.above == v.offScale.above)
        return;
    v.hovered = under;
    v.offScale = off;
    if (v.tip) SendMessageA(v.tip, TTM_POP, 0, 0);
}

// The hint's text over the traces: the mark's check, level, clock times and
// what the check saw, and the farthest value of the run off the scale
// under the pointer with its unit; none away from both.
void OnHintText(HWND window, PreviewView& v, NMTTDISPINFOA* info) {
    v.hint[0] = '\0';
    info->lpszText = v.hint;
    if (info->hdr.idFrom != reinterpret_cast<UINT_PTR>(window)) return;
    const std::vector<CheckFinding>* findings = ShownFindings(v);
    if (findings && v.hovered >= 0 && size_t(v.hovered) < findings->size()) {
        const CheckFinding& f = (*findings)[size_t(v.hovered)];
        char format[64], start[16], end[16];
        LoadText(IDS_PREV_MARK_HINT, format, sizeof format);
        FormatClockTime(start, sizeof start, v.source, static_cast<int64_t>(std::floor(f.startSeconds)));
        FormatClockTime(end, sizeof end, v.source, static_cast<int64_t>(std::ceil(f.endSeconds)));
        snprintf(v.hint, sizeof v.hint, format, KindText(f.kind).c_str(), LevelText(f.level).c_str(), start, end,
                 NoteText(f.note).c_str());
    }
    if (v.offScale.trace >= 0 && v.offScale.trace < v.plan.count) {
        char format[96], line[128];
        LoadText(v.offScale.above ? IDS_PREV_ABOVE_SCALE : IDS_PREV_BELOW_SCALE, format, sizeof format);
        OffScaleText(line, sizeof line, format, v.offScale, v.plan.traces[v.offScale.trace].unit);
        const size_t used = strlen(v.hint);
        snprintf(v.hint + used, sizeof v.hint - used, "%s%s", used ? "\r\n" : "", line);
    }
}

}  // namespace preview
