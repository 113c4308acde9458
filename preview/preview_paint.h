// Drawing of the signal preview, one layer at a time: the background (bands
// and the time grid), each trace reduced to pixel columns, each trace's
// scale (numbers beside its band, value ticks for an absolute axis) and the
// labels (name, unit and filters at the left, a body-position trace's level
// names), then the time axis in clock time along the bottom. Places come
// from the layout (engine/preview_layout.h).
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/epoch_values.h"
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
};

// The window font's measures at the dpi of `dc`.
PreviewFont MeasureFont(HDC dc);

// Pixel columns of the traces.
inline int32_t PlotColumns(const PreviewAreas& areas) { return areas.plot.right - areas.plot.left; }

// Draws the picture into `client` of `dc` (background included).
void PaintPreview(HDC dc, const RECT& client, const PreviewAreas& areas, const PreviewPicture& picture);

// Draws the notice that no recording is open.
void PaintNoRecording(HDC dc, const RECT& client, const PreviewAreas& areas);
