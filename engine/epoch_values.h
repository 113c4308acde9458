// The values of a stretch of the night as the PSG file will hold them, for
// the signal preview: the channels a conversion with the pattern writes, in
// the file's order, each read, reduced to its output rate and scaled to
// physical units by the same code the conversion and the file's header use
// (ReadChannelRuns, RecReduceFrames, RecPhysicalRange), through a reader
// handle of the caller's own. Plus the reduction of an epoch to what a row
// of pixel columns can show, and the clock texts of the preview.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/montage_types.h"
#include "engine/source_info.h"

// The physical range the file states for a channel, and the two numbers a
// reader derives from it: value = bitValue x (offset + digital).
struct TraceScale {
    double physMin, physMax;
    double bitValue, offset;
    bool calibrated;        // false: the calibration is unusable, values are digital
};

TraceScale MakeTraceScale(const ChannelSetting& channel);
inline double PhysicalValue(const TraceScale& s, int32_t digital) { return s.bitValue * (s.offset + digital); }

// One channel the file will hold.
struct TraceInfo {
    int32_t source;         // source channel (montage entry) index, from 0
    int32_t divisor;        // the rate divisor, 1 for 0 or less
    int32_t outputRate;     // samples per second written; 0: the divisor gives no whole rate (not written)
    int32_t signalType;
    int32_t sensitivity;    // thousandths of the unit
    TraceScale scale;
    char label[kLabelSize];
    char unit[kUnitSize];
};

struct TracePlan {
    int32_t count;          // 0: no recording open or no channel switched on
    int32_t sampleRate;
    int64_t lengthSamples;
    TraceInfo traces[kChannelEntries];
};

// The traces of a conversion with `pattern` of the open recording `source`,
// in output order. Returns the count.
int32_t PlanTraces(const SourceInfo& source, const MontagePattern& pattern, TracePlan* plan);

// Epochs of `seconds` the recording spans (the last one may be partial);
// 0 without a recording.
int64_t EpochCount(const TracePlan& plan, int32_t seconds);

// What one pixel column of a trace shows: the lowest and highest value of
// its samples and the first and last of them (the trace's line enters at
// the first and leaves at the last). A column without a sample has
// low > high.
struct ColumnRange {
    float low, high, first, last;
};

// Empties `columns` columns.
void ClearColumns(ColumnRange* out, int32_t columns);

// Adds `count` values, the samples firstIndex.. of an epoch of `epochSamples`
// samples spread evenly over `columns` columns, to their columns: sample k
// falls in column k x columns / epochSamples.
void ReduceToColumns(const double* values, int64_t count, int64_t firstIndex, int64_t epochSamples,
                     int32_t columns, ColumnRange* out);
// The same for digital samples; the columns then hold digital values, which
// ScaleColumns turns into physical ones.
void ReduceToColumns(const int16_t* values, int64_t count, int64_t firstIndex, int64_t epochSamples,
                     int32_t columns, ColumnRange* out);
// Scales the filled columns from digital to physical values (a scale with
// a negative step swaps each column's lowest and highest).
void ScaleColumns(const TraceScale& scale, ColumnRange* out, int32_t columns);

// Reads epochs through its own reader handle with memory reused from one
// epoch to the next: a chunk of about a million samples at a time, whatever
// the recording's length or rate.
class EpochReader {
public:
    // `reader` stays the caller's; `skipFlag` is the source's value code 3.
    EpochReader(TaffHandle reader, int32_t skipFlag) : reader_(reader), skip_(skipFlag) {}

    // The values of every trace for seconds [firstSecond, firstSecond +
    // seconds) of `source`: values[t] holds the output samples of trace t
    // that begin before the end of the recording (none for a trace that is
    // not written). False without a reader, traces or a sensible stretch.
    bool Values(const SourceInfo& source, const TracePlan& plan, int64_t firstSecond, int32_t seconds,
                std::vector<std::vector<double>>* values);

    // The same epoch reduced to `columns` pixel columns per trace:
    // out[t x columns + c].
    bool Columns(const SourceInfo& source, const TracePlan& plan, int64_t firstSecond, int32_t seconds,
                 int32_t columns, std::vector<ColumnRange>* out);

    // The same stretch as the file stores it: `sink` gets each trace's
    // digital samples in order, a chunk at a time (trace, samples, count).
    bool Digital(const SourceInfo& source, const TracePlan& plan, int64_t firstSecond, int32_t seconds,
                 const std::function<void(int32_t, const int16_t*, int64_t)>& sink);

private:
    template <typename Sink>
    bool ForEachChunk(const SourceInfo& source, const TracePlan& plan, int64_t firstSecond, int32_t seconds,
                      Sink sink);

    TaffHandle reader_;
    int32_t skip_;
    std::vector<int16_t> block_;
    std::vector<int16_t> reduced_;     // the written samples of one trace of a chunk
};

// "hh:mm:ss" of the clock at `offsetSeconds` after the recording's start
// (wrapping at midnight).
void FormatClockTime(char* out, size_t size, const SourceInfo& source, int64_t offsetSeconds);

// The epoch's start as the preview shows it: "hh:mm:ss (+h:mm:ss)", the
// clock time and the offset from the start.
void FormatEpochStart(char* out, size_t size, const SourceInfo& source, int64_t offsetSeconds);

// The offset from the recording's start of a clock time typed as "hh:mm" or
// "hh:mm:ss" (the first such time at or after the start, so a time past
// midnight falls on the next day). -1 when the text is no clock time or the
// time lies outside the recording of `lengthSeconds`.
int64_t ClockTimeOffset(const SourceInfo& source, const char* text, int64_t lengthSeconds);
