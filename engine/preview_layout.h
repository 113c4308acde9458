// Where the signal preview puts its controls and its drawing, worked out
// from the window's dpi and font: the row of controls along the top (placed
// from a table of widths), the overview strip of the whole night under it,
// the label and scale columns at the left, the traces and the clock axis
// under them.
// Plain arithmetic, so it is the same for the window and its tests.
#pragma once

#include <cstdint>

#include "engine/epoch_values.h"

// The measures the layout starts from: the screen's pixels per inch and the
// window font's average character width and line height in pixels.
struct PreviewFont {
    int dpi;
    int charWidth;
    int lineHeight;
};

// `pixels` of a plain (96 dpi) screen at `dpi`.
int PixelsAt(int pixels, int dpi);

struct PreviewBox {
    int left, top, right, bottom;
};

struct PreviewAreas {
    PreviewBox controls;    // the row of controls
    PreviewBox strip;       // room under the controls for one more strip (empty when none asked)
    PreviewBox labels;      // each trace's label, unit and filters
    PreviewBox scale;       // each trace's scale numbers, beside its band
    PreviewBox plot;        // the traces, one band each
    PreviewBox axis;        // clock times under the traces
    int controlHeight;      // of an edit field or a button in the row
    int gap;
};

// The areas of a client area of `width` x `height` pixels; `stripHeight`
// pixels (0 for none) are kept under the row of controls.
PreviewAreas LayOutPreview(const PreviewFont& font, int width, int height, int stripHeight);

// Where a window opens: `width` x `height` (its size at the screen's dpi)
// cut to the screen's work area `work`, centred on the window `near` (its
// owner) and moved as little as needed to lie wholly inside `work`.
PreviewBox PlaceInWorkArea(int width, int height, const PreviewBox& work, const PreviewBox& near);

// One control of the row: its width in average characters of the font (a
// control is never narrower than `leastPixels` at 96 dpi).
struct RowControl {
    int widthChars;
    int leastPixels;
};

// Places `count` controls left to right in the row with a gap between
// them; out[i] is the place of controls[i]. Returns the row's right edge
// (the width the window needs for it).
int PlaceControlRow(const PreviewFont& font, const PreviewAreas& areas, const RowControl* controls, int count,
                    PreviewBox* out);

// The band of trace `t` of `plan` inside the plot (top and bottom rows).
// The plot is shared out by weight: a body-position trace has twice the
// room of another, so its level names fit beside its levels.
void TraceBand(const PreviewAreas& areas, const TracePlan& plan, int t, int* top, int* bottom);
// The trace whose band holds row `y`; -1 outside every band.
int TraceAtRow(const PreviewAreas& areas, const TracePlan& plan, int y);

// The overview strip: the whole night from left to right, one thin row per
// trace, in a frame of `inset` pixels. Its places are in the strip's own
// pixels (0, 0 at its top left).
struct OverviewStrip {
    int width, height;
    int inset;              // the frame round the rows
    int rowHeight;          // of each trace's row
    int rows;               // the traces
    double nightSeconds;    // the time the rows' width stands for
};

// The strip's height for `traces` traces: rows of 3 pixels at 96 dpi, less
// when many traces would make it taller than 64; one empty row without traces.
int OverviewHeight(const PreviewFont& font, int traces);

// Where the strip lies in the window: in the room under the row of
// controls, as wide as the traces' plot below it.
PreviewBox OverviewBox(const PreviewAreas& areas);

// The strip `width` pixels wide for `traces` traces and a night of
// `nightSeconds`.
OverviewStrip PlaceOverview(const PreviewFont& font, int width, int traces, double nightSeconds);

// The column of second `seconds` of the night (kept within the rows).
int OverviewX(const OverviewStrip& strip, double seconds);
// The second of the night at column `x`: the start of the time the column
// shows, kept within the night.
double OverviewSeconds(const OverviewStrip& strip, int x);
// The columns [*left, *right) of the time from `from` to `to`, at least
// `least` wide (kept within the rows).
void OverviewSpan(const OverviewStrip& strip, double from, double to, int least, int* left, int* right);
// The rows [*top, *bottom) of trace `t`.
void OverviewRow(const OverviewStrip& strip, int t, int* top, int* bottom);
