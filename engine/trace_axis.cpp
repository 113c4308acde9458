// The preview's trace scales; see trace_axis.h.
#include "engine/trace_axis.h"

#include <algorithm>
#include <cmath>

#include "engine/display_filter.h"
#include "recfile/recfile.h"

namespace {

const double kLeast = 1e-9, kMost = 1e12;

// The smallest step of 1, 2 or 5 times a power of ten at or above `v`.
double RoundStep(double v) {
    if (!(v > 0)) return 1.0;
    const double p = std::pow(10.0, std::floor(std::log10(v)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= v * (1 - 1e-12)) return m * p;
    return 10 * p;
}

bool LevelSpan(const TraceInfo& trace, const PositionCalibration& levels, double* low, double* high) {
    const int count = std::min<int>(levels.levelCount, kMaxLevels);
    for (int l = 0; l < count; ++l) {
        const double v = PhysicalValue(trace.scale, levels.centers[l]);
        *low = l ? std::min(*low, v) : v;
        *high = l ? std::max(*high, v) : v;
    }
    return count > 0;
}

}  // namespace

TraceAxis OpeningAxis(const TraceInfo& trace, const PositionCalibration& levels, const ColumnRange* columns,
                      int32_t count) {
    TraceAxis axis = {IsSlowSignalType(trace.signalType), 1.0, 0.0, 1.0};
    const double sensitivity = trace.sensitivity / 1000.0;
    double low = 0, high = 0;
    if (trace.signalType == REC_TYPE_POSITION && LevelSpan(trace, levels, &low, &high)) {
        const double margin = high > low ? (high - low) / 6.0 : 1.0;
        axis.low = low - margin;
        axis.high = high + margin;
        return axis;
    }
    if (!(sensitivity > 0)) return FitAxis(axis, columns, count);
    axis.amplitude = sensitivity;
    if (!axis.absolute) return axis;
    if (trace.signalType == REC_TYPE_SPO2) {
        axis.high = 100.0;
    } else {
        const double step = RoundStep(sensitivity / 2);
        const double level = RobustRange(columns, count, &low, &high) ? std::round((low + high) / 2 / step) * step : 0.0;
        axis.high = level + sensitivity;
    }
    axis.low = axis.high - 2 * sensitivity;
    return axis;
}

TraceAxis FitAxis(const TraceAxis& axis, const ColumnRange* columns, int32_t count) {
    double low = 0, high = 0;
    if (!RobustRange(columns, count, &low, &high)) return axis;
    TraceAxis fitted = axis;
    const double mid = (low + high) / 2;
    const double half = std::max((high - low) / 2 * 1.1, std::max(std::fabs(mid) * 1e-6, kLeast));
    if (axis.absolute) {
        fitted.low = mid - half;
        fitted.high = mid + half;
    } else {
        fitted.amplitude = half;
    }
    return fitted;
}

TraceAxis ScaleAxis(const TraceAxis& axis, double factor) {
    if (!(factor > 0)) return axis;
    TraceAxis scaled = axis;
    if (axis.absolute) {
        const double mid = (axis.low + axis.high) / 2;
        const double half = std::min(kMost, std::max(kLeast, (axis.high - axis.low) / 2 / factor));
        scaled.low = mid - half;
        scaled.high = mid + half;
    } else {
        scaled.amplitude = std::min(kMost, std::max(kLeast, axis.amplitude / factor));
    }
    return scaled;
}

int AxisTicks(double low, double high, int most, double* ticks) {
    if (!(high > low) || most <= 0) return 0;
    double step = RoundStep((high - low) / most);
    for (int tries = 0; tries < 4; ++tries, step = RoundStep(step * 1.01)) {
        const double first = std::ceil(low / step - 1e-9) * step;
        int n = 0;
        bool fits = true;
        for (double v = first; v <= high + step * 1e-9; v = first + n * step) {
            if (n == most) {
                fits = false;
                break;
            }
            ticks[n++] = std::fabs(v) < step * 1e-9 ? 0.0 : v;   // no "-0"
        }
        if (fits) return n;
    }
    return 0;
}

std::vector<OffScaleRun> OffScaleRuns(const ColumnRange* columns, int32_t count, double low, double high) {
    std::vector<OffScaleRun> runs;
    int open[2] = {-1, -1};   // the open run of each side (0 above, 1 below), an index into runs
    for (int32_t c = 0; c < count; ++c) {
        const ColumnRange& r = columns[c];
        const bool filled = r.low <= r.high;
        const bool past[2] = {filled && r.high > high, filled && r.low < low};
        for (int side = 0; side < 2; ++side) {
            if (!past[side]) {
                open[side] = -1;
                continue;
            }
            const double value = side == 0 ? r.high : r.low;
            if (open[side] < 0) {
                open[side] = int(runs.size());
                runs.push_back(OffScaleRun{c, c, side == 0, value});
                continue;
            }
            OffScaleRun& run = runs[size_t(open[side])];
            run.last = c;
            run.farthest = side == 0 ? std::max(run.farthest, value) : std::min(run.farthest, value);
        }
    }
    return runs;
}
