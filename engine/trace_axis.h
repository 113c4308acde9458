// The vertical scale of a preview trace: a trace of a changing signal is
// drawn about the middle of its epoch with an amplitude from the middle line
// to its band's edge; a slowly changing quantity (SpO2, position, ...) on an
// absolute axis with value ticks, so its value itself can be read. How a
// trace opens, how it is fitted to its epoch's signal and how it is scaled.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/epoch_values.h"

struct TraceAxis {
    bool absolute;
    double amplitude;       // centred: the value from the middle line to the band's edge
    double low, high;       // absolute: the values at the band's bottom and top edge
};

// The axis a trace opens with: its channel's sensitivity when that is
// usable (an absolute SpO2 axis then ends at 100, another absolute one is
// centred on a round value near the epoch's level), the level table's span
// for a body-position trace with levels; otherwise fitted to `columns`.
TraceAxis OpeningAxis(const TraceInfo& trace, const PositionCalibration& levels, const ColumnRange* columns,
                      int32_t count);

// `axis` fitted to the epoch's signal in `columns`, single spikes left out
// (RobustRange); unchanged when the columns hold no sample.
TraceAxis FitAxis(const TraceAxis& axis, const ColumnRange* columns, int32_t count);

// The trace drawn `factor` times larger (the axis's span divided by it,
// about its middle), within limits.
TraceAxis ScaleAxis(const TraceAxis& axis, double factor);

// Round values between low and high for ticks, at most `most` of them, at a
// step of 1, 2 or 5 times a power of ten. Returns the count.
int AxisTicks(double low, double high, int most, double* ticks);

// A run of pixel columns whose values pass the edge of the trace's band:
// columns first..last, past the top (above) or the bottom, and the value
// farthest out in the run.
struct OffScaleRun {
    int32_t first, last;
    bool above;
    double farthest;
};

// The runs of `columns` (count of them) with values above `high` or below
// `low`, the band's edge values, in column order (a column past both edges
// is in a run of each side). Empty columns (low > high) end a run.
std::vector<OffScaleRun> OffScaleRuns(const ColumnRange* columns, int32_t count, double low, double high);
