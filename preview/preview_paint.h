// Drawing of the signal preview: the traces of one epoch reduced to pixel
// columns, each in its own band with its label, unit and scale at the left,
// a body-position channel as steps with its level labels, and the time axis
// in clock time along the bottom.
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/epoch_values.h"
#include "recfile/recfile.h"

// What one drawing shows.
struct PreviewPicture {
    const SourceInfo* source;
    const TracePlan* plan;
    const PositionCalibration* levels;  // the pattern's level table
    int64_t firstSecond;                // the epoch's start after the recording's start
    int32_t seconds;                    // the epoch's length
    const ColumnRange* columns;         // plan->count x columnCount
    int32_t columnCount;
    double gain;                        // every trace
    const double* traceGain;            // per trace, plan->count of them
    const uint8_t* notRecorded;         // per column, 1: nothing recorded there (may be null)
};

// The trace area inside `area` (the window's client area below its row of
// controls): labels at the left, traces, the time axis at the bottom.
RECT PlotRect(const RECT& area);
// Pixel columns of the traces in `area`.
int32_t PlotColumns(const RECT& area);
// The trace whose band holds `y` (client coordinates) among `count`; -1
// outside every band.
int TraceAt(const RECT& area, int count, int y);
// True when `x` lies in the label column at the left.
bool InLabelColumn(const RECT& area, int x);

// Draws the picture into `area` of `dc` (background included).
void PaintPreview(HDC dc, const RECT& area, const PreviewPicture& picture);

// Draws the notice that no recording is open into `area`.
void PaintNoRecording(HDC dc, const RECT& area);
