// Drawing of the signal preview, one layer at a time: the background (bands,
// the night check's marks in their level's colour, and the time grid), each
// trace reduced to pixel columns, each trace's
// scale (numbers beside its band, value ticks for an absolute axis), the
// marks of values past the band's edges (hatched, with an arrow), and the
// labels (name, unit and the checks flagging it in the epoch, filters under
// them, a body-position trace's level names), then the time axis in clock
// time along the bottom. Also the overview strip of the whole night. Places
// come from the layout (engine/preview_layout.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "engine/epoch_values.h"
#include "engine/night_check.h"
#include "engine/preview_layout.h"
#include "engine/trace_axis.h"

// What one drawing shows.
struct PreviewPicture {
    const SourceInfo* source;
    const TracePlan* plan;
    const PositionCalibration* levels;  // the pattern's level table
    int64_t firstSecond;                // the epoch's start after the recording's start
    int32_t seconds;                    // the epoch's length
    const ColumnRange* columns;         // plan->count x columnCount
    int32_t columnCount;
    const TraceAxis* axes;              // per trace, plan->count of them
    bool filtered;                      // drawn through the traces' filters
    int selected;                       // the trace the keys scale alone; -1 none
    const uint8_t* notRecorded;         // per column, 1: nothing recorded there (may be null)
    const std::vector<CheckFinding>* findings;  // the night check's findings to mark; null: none
};

// What the overview strip shows.
struct OverviewPicture {
    const std::vector<CheckFinding>* findings;  // null: none
    double epochStart;                  // the epoch shown, outlined; below 0: none
    int32_t epochSeconds;
    int selected;                       // the chosen trace's row is tinted; -1 none
};

// The colour of a check's mark behind a trace: the level's colour, pale
// enough for the trace to stay readable over it.
COLORREF MarkColour(CheckLevel level);

// The window font's measures at the dpi of `dc`.
PreviewFont MeasureFont(HDC dc);

// Pixel columns of the traces.
inline int32_t PlotColumns(const PreviewAreas& areas) { return areas.plot.right - areas.plot.left; }

// The values at the bottom and top edge of trace `t`'s band as the picture
// draws it (a value past them is drawn on the edge and marked). False when
// the picture has no such trace.
bool TraceEdgeValues(const PreviewAreas& areas, const PreviewPicture& picture, int t, double* low, double* high);

// Draws the picture into `client` of `dc` (background included).
void PaintPreview(HDC dc, const RECT& client, const PreviewAreas& areas, const PreviewPicture& picture);

// Draws the overview strip `strip` into `client` of `dc`: a frame, the rows,
// each finding in its level's colour, the epoch shown outlined.
void PaintOverview(HDC dc, const RECT& client, const OverviewStrip& strip, const OverviewPicture& picture);

// Draws the notice that no recording is open.
void PaintNoRecording(HDC dc, const RECT& client, const PreviewAreas& areas);
