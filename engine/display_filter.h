// The filters a trace of the signal preview is drawn through, as the
// montage states them for its channel: the low cut (or the time constant)
// as a first-order high-pass, the high cut as a second-order Butterworth
// low-pass and the hum filter as a notch at the mains frequency. They change
// the picture only, never the file's values. Plus the robust range of an
// epoch's columns that fitting a trace to its signal uses.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/montage_types.h"

// Signal types drawn on an absolute axis (slowly changing quantities whose
// value itself matters): SpO2, pulse rate, body position, temperature,
// light, pH.
bool IsSlowSignalType(int32_t signalType);

// A second-order section in transposed direct form II, a pass-through as
// made (b0 = 1, the rest 0): the one filter design the preview's display
// filters and the night check share.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double z1 = 0, z2 = 0;
    double Step(double x) {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
    // Takes the state a constant input `x` leaves (its output x times the
    // gain at 0 Hz): a recording's offset does not ring through.
    void Settle(double x);
    // The magnitude of the response at `w` radians a sample.
    double Gain(double w) const;
};
// Second-order Butterworth sections (bilinear, the corner prewarped), a
// first-order high-pass (a step decays as exp(-t / tau)) and a notch of
// quality `q`; corners at or above half the rate are the caller's to avoid.
Biquad ButterworthLowPass(double hz, double rate);
Biquad ButterworthHighPass(double hz, double rate);
Biquad FirstOrderHighPass(double hz, double rate);
Biquad NotchFilter(double hz, double rate, double q);

// The filters of one trace. A corner at or above half the trace's rate (or
// of a channel they do not suit) is left out, so what is stated here is
// what is applied.
struct TraceFilters {
    double highPassHz;      // 0: none
    double timeConstant;    // seconds, when the low cut is stated as a time constant; else 0
    double lowPassHz;       // 0: none
    double notchHz;         // 0: none
};

// The filters of `channel` written at `outputRate` samples a second, with
// the recording's hum filter code (0 none, 1 = 50 Hz, 2 = 60 Hz); with
// `timeConstants` the low cut is taken from the time constant, else from
// the low-cut frequency. A body-position channel (its levels are codes) is
// never filtered; a slowly changing quantity is not high-passed.
TraceFilters FiltersOf(const ChannelSetting& channel, int32_t humFilter, bool timeConstants, int32_t outputRate);

bool AnyFilter(const TraceFilters& f);

// The label text of the filters, e.g. "HP 0.3 Hz LP 35 Hz ~50 Hz" or
// "TC 0.3 s LP 15 Hz"; empty when there are none.
void FormatFilters(char* out, size_t size, const TraceFilters& f);

// Whole seconds of signal before an epoch the filters need to settle (a
// high-pass five time constants, at most 20 s; a low-pass or a notch one).
int32_t SettleSeconds(const TraceFilters& f);

// The filters running over one trace's samples at `rate`.
class FilterChain {
public:
    FilterChain() = default;
    FilterChain(const TraceFilters& filters, double rate);

    // Starts from the steady state of a constant input `x`: a recording's
    // offset does not ring through the high-pass.
    void Start(double x);
    // Filters the values in place.
    void Run(double* values, int64_t count);
    bool Active() const { return hp_ || lp_ || notch_; }

    // The magnitude of the chain's response at `hz`.
    double Gain(double hz) const;

private:
    double rate_ = 0;
    bool hp_ = false, lp_ = false, notch_ = false;
    Biquad highPass_, lowPass_, notchFilter_;
};

// The range of an epoch's columns with single spikes left out: the 2nd
// percentile of the columns' lows to the 98th of their highs (columns
// without a sample are skipped). False when no column holds a sample.
struct ColumnRange;
bool RobustRange(const ColumnRange* columns, int32_t count, double* low, double* high);
