// The preview's values of an epoch; see epoch_values.h.
#include "engine/epoch_values.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "engine/frame_step.h"
#include "engine/psg_header.h"
#include "recfile/recfile.h"
#include "textkit/byte_order.h"
#include "textkit/sjis_text.h"

namespace {

// Samples a chunk holds at most (all channels together): the reading's
// memory stays near 2 x this many bytes at any rate.
const int64_t kChunkSamples = int64_t{1} << 20;
const int64_t kSecondsPerDay = 24 * 3600;

int64_t StartSecondOfDay(const SourceInfo& source) {
    return int64_t{source.startHour} * 3600 + int64_t{source.startMinute} * 60 + source.startSecond;
}

// Reads the digits of `text` from `*at` up to a ':' or the end; false when
// there are none, more than two, or anything else.
bool ReadTwoDigits(const char* text, size_t* at, int* value) {
    int digits = 0, v = 0;
    while (text[*at] >= '0' && text[*at] <= '9') {
        if (++digits > 2) return false;
        v = v * 10 + (text[*at] - '0');
        ++*at;
    }
    *value = v;
    return digits > 0;
}

}  // namespace

TraceScale MakeTraceScale(const ChannelSetting& channel) {
    TraceScale s;
    s.calibrated = RecPhysicalRange(channel.calEU, channel.calVU, channel.offsetAD, channel.offsetCAL, &s.physMin,
                                    &s.physMax) != 0;
    // As readers of the file derive it from the header's four range values.
    s.bitValue = (s.physMax - s.physMin) / (32767.0 - -32768.0);
    s.offset = s.physMax / s.bitValue - 32767.0;
    return s;
}

int32_t PlanTraces(const SourceInfo& source, const MontagePattern& pattern, TracePlan* plan, bool timeConstants) {
    plan->count = 0;
    plan->sampleRate = source.sampleRate;
    plan->lengthSamples = source.lengthSamples;
    if (source.sourceKind != kSourceTaff || source.sampleRate <= 0) return 0;
    uint8_t channels[kChannelEntries];
    const int32_t count = RunChannelsOf(source, pattern, channels);
    for (int32_t o = 0; o < count; ++o) {
        const ChannelSetting& ch = pattern.channels[channels[o]];
        TraceInfo& t = plan->traces[o];
        t.source = channels[o];
        t.divisor = ch.rateDivisor > 0 ? ch.rateDivisor : 1;
        t.outputRate = RateDivisorFits(source.sampleRate, ch.rateDivisor) ? ChannelRate(source.sampleRate, ch.rateDivisor) : 0;
        t.signalType = ch.signalType;
        t.sensitivity = ch.sensitivity;
        t.scale = MakeTraceScale(ch);
        t.filters = FiltersOf(ch, source.humFilter, timeConstants, t.outputRate);
        CopyText(t.label, sizeof t.label, ch.label);
        CopyText(t.unit, sizeof t.unit, ch.unit);
    }
    plan->count = count;
    return count;
}

int64_t EpochCount(const TracePlan& plan, int32_t seconds) {
    if (plan.sampleRate <= 0 || seconds <= 0 || plan.lengthSamples <= 0) return 0;
    const int64_t perEpoch = int64_t{plan.sampleRate} * seconds;
    return (plan.lengthSamples + perEpoch - 1) / perEpoch;
}

void ClearColumns(ColumnRange* out, int32_t columns) {
    for (int32_t c = 0; c < columns; ++c) out[c] = ColumnRange{1.0f, 0.0f, 0.0f, 0.0f};
}

namespace {

// The samples of one column, already known to belong to it.
template <typename T>
void AddToColumn(const T* v, int64_t n, ColumnRange& col) {
    if (n <= 0) return;
    T low = v[0], high = v[0];
    for (int64_t i = 1; i < n; ++i) {
        low = v[i] < low ? v[i] : low;
        high = v[i] > high ? v[i] : high;
    }
    const float first = static_cast<float>(v[0]), last = static_cast<float>(v[n - 1]);
    if (col.low > col.high) {
        col = ColumnRange{static_cast<float>(low), static_cast<float>(high), first, last};
        return;
    }
    col.low = std::min(col.low, static_cast<float>(low));
    col.high = std::max(col.high, static_cast<float>(high));
    col.last = last;
}

// Walks the samples column by column: one division per column, not per
// sample, and a plain minimum and maximum over each column's run.
template <typename T>
void ReduceRun(const T* values, int64_t count, int64_t firstIndex, int64_t epochSamples, int32_t columns,
               ColumnRange* out) {
    if (epochSamples <= 0 || columns <= 0) return;
    int64_t k = std::max<int64_t>(firstIndex, 0);
    const int64_t end = std::min(firstIndex + count, epochSamples);
    while (k < end) {
        const int64_t c = k * columns / epochSamples;
        // The first sample of column c + 1: ceil((c + 1) x epochSamples / columns).
        const int64_t next = ((c + 1) * epochSamples + columns - 1) / columns;
        const int64_t stop = std::min(next, end);
        AddToColumn(values + (k - firstIndex), stop - k, out[c]);
        k = stop;
    }
}

}  // namespace

void ReduceToColumns(const double* values, int64_t count, int64_t firstIndex, int64_t epochSamples,
                     int32_t columns, ColumnRange* out) {
    ReduceRun(values, count, firstIndex, epochSamples, columns, out);
}

void ReduceToColumns(const int16_t* values, int64_t count, int64_t firstIndex, int64_t epochSamples,
                     int32_t columns, ColumnRange* out) {
    ReduceRun(values, count, firstIndex, epochSamples, columns, out);
}

void ScaleColumns(const TraceScale& scale, ColumnRange* out, int32_t columns) {
    for (int32_t c = 0; c < columns; ++c) {
        ColumnRange& col = out[c];
        if (col.low > col.high) continue;
        const double a = PhysicalValue(scale, int32_t(col.low)), b = PhysicalValue(scale, int32_t(col.high));
        col = ColumnRange{static_cast<float>(std::min(a, b)), static_cast<float>(std::max(a, b)),
                          static_cast<float>(PhysicalValue(scale, int32_t(col.first))),
                          static_cast<float>(PhysicalValue(scale, int32_t(col.last)))};
    }
}

template <typename Sink, typename Gap>
bool EpochReader::ForEachChunk(const SourceInfo& source, const TracePlan& plan, int64_t firstSecond,
                               int32_t seconds, Sink sink, Gap gap) {
    const int64_t rate = plan.sampleRate;
    const int64_t channels = source.channelCount;
    if (!reader_ || plan.count <= 0 || rate <= 0 || channels <= 0 || seconds <= 0 || firstSecond < 0) return false;
    const int64_t endScan = std::min<int64_t>(plan.lengthSamples, (firstSecond + seconds) * rate);
    const int64_t chunkSeconds = std::max<int64_t>(1, kChunkSamples / (rate * channels));
    // The part of the epoch after the recording's end.
    const int64_t epochStart = firstSecond * rate, epochEnd = (firstSecond + seconds) * rate;
    const int64_t tail = std::max(endScan, epochStart);
    if (tail < epochEnd) gap(tail - epochStart, epochEnd - tail);
    for (int64_t second = firstSecond; second * rate < endScan; second += chunkSeconds) {
        const int64_t frames = std::min<int64_t>(chunkSeconds, firstSecond + seconds - second);
        const int64_t scans = frames * rate, firstScan = second * rate;
        if (firstScan + scans > std::numeric_limits<int32_t>::max()) return false;
        // As the reader asks: 2 x (channels + 1) x scans + 64 bytes.
        block_.resize(size_t((channels + 1) * scans + 32));
        int32_t delivered = 0;
        const int16_t* runs = ReadChannelRuns(source, reader_, int32_t(firstScan), int32_t(scans), block_.data(),
                                              skip_, &delivered);
        const int64_t validScans = std::min(scans, endScan - firstScan);
        if (delivered <= 0) {
            gap(firstScan - firstSecond * rate, validScans);
            continue;
        }
        for (int32_t t = 0; t < plan.count; ++t) {
            const TraceInfo& trace = plan.traces[t];
            if (trace.outputRate <= 0 || trace.source >= channels) continue;
            // The samples as the writer stores them (16-bit little-endian),
            // read back in host order.
            reduced_.resize(size_t(frames) * size_t(trace.outputRate));
            uint8_t* bytes = reinterpret_cast<uint8_t*>(reduced_.data());
            RecReduceFrames(rate, trace.outputRate, trace.signalType, int(frames), runs + trace.source * scans, 2,
                            bytes, size_t(trace.outputRate) * 2);
            const int64_t outputs = (validScans + trace.divisor - 1) / trace.divisor;
            if (!kLittleEndianHost)
                for (int64_t k = 0; k < outputs; ++k)
                    reduced_[size_t(k)] = int16_t(uint16_t(bytes[2 * k] | (bytes[2 * k + 1] << 8)));
            sink(t, (second - firstSecond) * trace.outputRate, reduced_.data(), outputs);
        }
    }
    return true;
}

bool EpochReader::Values(const SourceInfo& source, const TracePlan& plan, int64_t firstSecond, int32_t seconds,
                         std::vector<std::vector<double>>* values) {
    values->assign(size_t(std::max(plan.count, 0)), std::vector<double>());
    const int64_t endScan = std::min<int64_t>(plan.lengthSamples, (firstSecond + seconds) * int64_t{plan.sampleRate});
    return ForEachChunk(
        source, plan, firstSecond, seconds,
        [&](int32_t t, int64_t, const int16_t* v, int64_t n) {
            std::vector<double>& out = (*values)[size_t(t)];
            for (int64_t k = 0; k < n; ++k) out.push_back(PhysicalValue(plan.traces[t].scale, v[k]));
        },
        [&](int64_t first, int64_t scans) {
            // An unreadable stretch within the recording: NaN in its place.
            if ((firstSecond * plan.sampleRate) + first >= endScan) return;
            for (int32_t t = 0; t < plan.count; ++t) {
                const TraceInfo& trace = plan.traces[t];
                if (trace.outputRate <= 0) continue;
                const int64_t outputs = (scans + trace.divisor - 1) / trace.divisor;
                (*values)[size_t(t)].insert((*values)[size_t(t)].end(), size_t(outputs),
                                            std::numeric_limits<double>::quiet_NaN());
            }
        });
}

bool EpochReader::Digital(const SourceInfo& source, const TracePlan& plan, int64_t firstSecond, int32_t seconds,
                          const std::function<void(int32_t, const int16_t*, int64_t)>& sink) {
    return ForEachChunk(
        source, plan, firstSecond, seconds, [&](int32_t t, int64_t, const int16_t* v, int64_t n) { sink(t, v, n); },
        [](int64_t, int64_t) {});
}

void EpochReader::MarkNotRecorded(int64_t first, int64_t scans, int64_t epochScans, int32_t columns) {
    if (scans <= 0 || epochScans <= 0 || first + scans <= 0 || first >= epochScans) return;
    const int64_t from = std::max<int64_t>(0, first) * columns / epochScans;
    const int64_t to = std::min<int64_t>(columns - 1, (first + scans - 1) * columns / epochScans);
    for (int64_t c = std::max<int64_t>(0, from); c <= to; ++c) notRecorded_[size_t(c)] = 1;
}

namespace {

// Samples averaged into one before a trace is filtered: a trace far faster
// than its low-pass lets through is filtered at a rate of at least twenty
// times its corner (and at least two samples a pixel column), which keeps
// the picture and costs a fraction. A divisor of the rate, so the groups
// start at whole seconds wherever the reading starts.
int32_t FilterGroup(const TraceFilters& f, int32_t rate, int32_t seconds, int32_t columns) {
    if (f.lowPassHz <= 0 || rate <= 0) return 1;
    const double corner = std::max(f.lowPassHz, f.notchHz);
    const int64_t byCorner = static_cast<int64_t>(rate / (20.0 * corner));
    const int64_t byColumns = int64_t{rate} * seconds / (2 * int64_t{std::max(columns, 1)});
    for (int64_t g = std::min({byCorner, byColumns, int64_t{32768}}); g >= 2; --g)
        if (rate % g == 0) return static_cast<int32_t>(g);
    return 1;
}

}  // namespace

bool EpochReader::FilteredColumns(const SourceInfo& source, const TracePlan& plan, int64_t firstSecond,
                                  int32_t seconds, int32_t columns, ColumnRange* out) {
    int32_t lead = 0;
    runs_.assign(size_t(plan.count), TraceRun{FilterChain(), 1, false});
    for (int32_t t = 0; t < plan.count; ++t) {
        const TraceInfo& trace = plan.traces[t];
        if (trace.outputRate <= 0) continue;
        lead = std::max(lead, SettleSeconds(trace.filters));
        TraceRun& run = runs_[size_t(t)];
        run.group = FilterGroup(trace.filters, trace.outputRate, seconds, columns);
        run.chain = FilterChain(trace.filters, double(trace.outputRate) / run.group);
    }
    const int64_t start = std::max<int64_t>(0, firstSecond - lead);
    const int64_t leadSeconds = firstSecond - start;
    return ForEachChunk(source, plan, start, int32_t(seconds + leadSeconds),
                        [&](int32_t t, int64_t first, const int16_t* v, int64_t n) {
        const TraceInfo& trace = plan.traces[t];
        TraceRun& run = runs_[size_t(t)];
        const int64_t g = run.group, m = (n + g - 1) / g;
        if (m <= 0) return;
        filtered_.resize(size_t(m));
        for (int64_t j = 0; j < m; ++j) {
            const int16_t* group = v + j * g;
            const int32_t size = static_cast<int32_t>(std::min(g, n - j * g));
            int32_t sum = 0;   // a group is at most 32768 samples
            for (int32_t k = 0; k < size; ++k) sum += group[k];
            filtered_[size_t(j)] = trace.scale.bitValue * (trace.scale.offset + double(sum) / size);
        }
        if (!run.started) run.chain.Start(filtered_[0]);
        run.started = true;
        run.chain.Run(filtered_.data(), m);
        const int64_t rate = trace.outputRate / g;
        ReduceToColumns(filtered_.data(), m, first / g - leadSeconds * rate, rate * seconds, columns,
                        out + size_t(t) * size_t(columns));
    }, [&](int64_t first, int64_t scans) {
        MarkNotRecorded(first - leadSeconds * plan.sampleRate, scans, int64_t{plan.sampleRate} * seconds, columns);
    });
}

bool EpochReader::Columns(const SourceInfo& source, const TracePlan& plan, int64_t firstSecond, int32_t seconds,
                          int32_t columns, std::vector<ColumnRange>* out, bool filtered) {
    if (columns <= 0) return false;
    out->resize(size_t(std::max(plan.count, 0)) * size_t(columns));
    ClearColumns(out->data(), int32_t(out->size()));
    notRecorded_.assign(size_t(columns), 0);
    bool anyFilter = false;
    for (int32_t t = 0; t < plan.count; ++t) anyFilter = anyFilter || AnyFilter(plan.traces[t].filters);
    if (filtered && anyFilter) return FilteredColumns(source, plan, firstSecond, seconds, columns, out->data());
    const int64_t epochScans = int64_t{plan.sampleRate} * seconds;
    // Reduced while digital: the scale is linear, so each column's range
    // is scaled once instead of every sample.
    const bool read = ForEachChunk(
        source, plan, firstSecond, seconds,
        [&](int32_t t, int64_t first, const int16_t* v, int64_t n) {
            const int64_t epochSamples = int64_t{plan.traces[t].outputRate} * seconds;
            ReduceToColumns(v, n, first, epochSamples, columns, out->data() + size_t(t) * size_t(columns));
        },
        [&](int64_t first, int64_t scans) { MarkNotRecorded(first, scans, epochScans, columns); });
    for (int32_t t = 0; t < plan.count; ++t)
        ScaleColumns(plan.traces[t].scale, out->data() + size_t(t) * size_t(columns), columns);
    return read;
}

void FormatClockTime(char* out, size_t size, const SourceInfo& source, int64_t offsetSeconds) {
    if (size == 0) return;
    int64_t t = (StartSecondOfDay(source) + offsetSeconds) % kSecondsPerDay;
    if (t < 0) t += kSecondsPerDay;
    snprintf(out, size, "%02d:%02d:%02d", int(t / 3600), int(t / 60 % 60), int(t % 60));
}

void FormatEpochStart(char* out, size_t size, const SourceInfo& source, int64_t offsetSeconds) {
    if (size == 0) return;
    char clock[16];
    FormatClockTime(clock, sizeof clock, source, offsetSeconds);
    const int64_t o = offsetSeconds < 0 ? 0 : offsetSeconds;
    snprintf(out, size, "%s (+%lld:%02d:%02d)", clock, static_cast<long long>(o / 3600), int(o / 60 % 60),
             int(o % 60));
}

int64_t ClockTimeOffset(const SourceInfo& source, const char* text, int64_t lengthSeconds) {
    if (!text) return -1;
    size_t at = 0;
    while (text[at] == ' ') ++at;
    int part[3] = {0, 0, 0};
    int parts = 0;
    while (parts < 3) {
        if (!ReadTwoDigits(text, &at, &part[parts])) return -1;
        ++parts;
        if (text[at] != ':') break;
        ++at;
    }
    while (text[at] == ' ') ++at;
    if (text[at] != '\0' || parts < 2 || part[0] > 23 || part[1] > 59 || part[2] > 59) return -1;
    const int64_t wanted = int64_t{part[0]} * 3600 + part[1] * 60 + part[2];
    int64_t offset = (wanted - StartSecondOfDay(source)) % kSecondsPerDay;
    if (offset < 0) offset += kSecondsPerDay;
    return offset < lengthSeconds ? offset : -1;
}
