// The preview's display filters; see display_filter.h.
#include "engine/display_filter.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <vector>

#include "engine/epoch_values.h"
#include "engine/source_info.h"
#include "recfile/recfile.h"

namespace {

const double kPi = 3.14159265358979323846;
const int32_t kLongestSettle = 20;
const double kNotchQ = 25.0;    // about 2 Hz wide at 50 Hz

// "0.3", "35", "0.016": as few digits as show the value.
void Number(char* out, size_t size, double v) { snprintf(out, size, "%.3g", v); }

}  // namespace

bool IsSlowSignalType(int32_t signalType) {
    switch (signalType) {
    case REC_TYPE_SPO2: case REC_TYPE_PULSE: case REC_TYPE_POSITION: case REC_TYPE_TEMPERATURE: case REC_TYPE_LIGHT:
    case REC_TYPE_PH: return true;
    }
    return false;
}

TraceFilters FiltersOf(const ChannelSetting& channel, int32_t humFilter, bool timeConstants, int32_t outputRate) {
    TraceFilters f = {0, 0, 0, 0};
    if (channel.signalType == REC_TYPE_POSITION || outputRate <= 0) return f;
    const double nyquist = outputRate / 2.0;
    if (!IsSlowSignalType(channel.signalType)) {
        if (timeConstants) {
            if (channel.timeConstant > 0) {
                f.timeConstant = channel.timeConstant / 1000.0;
                f.highPassHz = 1.0 / (2 * kPi * f.timeConstant);
            }
        } else if (channel.lowFilter > 0) {
            f.highPassHz = channel.lowFilter / 1000.0;
        }
        if (f.highPassHz >= nyquist) f.highPassHz = f.timeConstant = 0;
    }
    if (channel.highFilter > 0 && channel.highFilter < nyquist) f.lowPassHz = channel.highFilter;
    const double hum = HumFilterHz(humFilter);
    if (hum > 0 && hum < nyquist) f.notchHz = hum;
    return f;
}

bool AnyFilter(const TraceFilters& f) { return f.highPassHz > 0 || f.lowPassHz > 0 || f.notchHz > 0; }

void FormatFilters(char* out, size_t size, const TraceFilters& f) {
    if (size == 0) return;
    out[0] = '\0';
    char v[32];
    size_t used = 0;
    auto add = [&](const char* format, double value) {
        if (used >= size) return;
        Number(v, sizeof v, value);
        const int n = snprintf(out + used, size - used, format, used ? " " : "", v);
        if (n > 0) used = std::min(size - 1, used + size_t(n));
    };
    if (f.timeConstant > 0) add("%sTC %s s", f.timeConstant);
    else if (f.highPassHz > 0) add("%sHP %s Hz", f.highPassHz);
    if (f.lowPassHz > 0) add("%sLP %s Hz", f.lowPassHz);
    if (f.notchHz > 0) add("%s~%s Hz", f.notchHz);
}

int32_t SettleSeconds(const TraceFilters& f) {
    if (!AnyFilter(f)) return 0;
    double seconds = 1.0;
    if (f.highPassHz > 0) seconds = std::max(seconds, 5.0 / (2 * kPi * f.highPassHz));
    return static_cast<int32_t>(std::min<double>(kLongestSettle, std::ceil(seconds)));
}

void Biquad::Settle(double x) {
    // The state a constant input x leaves: output y = x x DC gain.
    const double dc = (b0 + b1 + b2) / (1 + a1 + a2);
    const double y = x * dc;
    z2 = b2 * x - a2 * y;
    z1 = b1 * x - a1 * y + z2;
}

double Biquad::Gain(double w) const {
    const std::complex<double> z1c = std::polar(1.0, -w), z2c = std::polar(1.0, -2 * w);
    return std::abs((b0 + b1 * z1c + b2 * z2c) / (1.0 + a1 * z1c + a2 * z2c));
}

Biquad FirstOrderHighPass(double hz, double rate) {
    Biquad f;
    const double k = std::tan(kPi * hz / rate);
    f.b0 = 1 / (1 + k);
    f.b1 = -f.b0;
    f.a1 = (k - 1) / (k + 1);
    return f;
}

Biquad ButterworthLowPass(double hz, double rate) {
    Biquad f;
    const double k = std::tan(kPi * hz / rate), q = std::sqrt(0.5);
    const double norm = 1 / (1 + k / q + k * k);
    f.b0 = k * k * norm;
    f.b1 = 2 * f.b0;
    f.b2 = f.b0;
    f.a1 = 2 * (k * k - 1) * norm;
    f.a2 = (1 - k / q + k * k) * norm;
    return f;
}

Biquad ButterworthHighPass(double hz, double rate) {
    Biquad f;
    const double k = std::tan(kPi * hz / rate), q = std::sqrt(0.5);
    const double norm = 1 / (1 + k / q + k * k);
    f.b0 = norm;
    f.b1 = -2 * norm;
    f.b2 = norm;
    f.a1 = 2 * (k * k - 1) * norm;
    f.a2 = (1 - k / q + k * k) * norm;
    return f;
}

Biquad NotchFilter(double hz, double rate, double q) {
    Biquad f;
    const double w = 2 * kPi * hz / rate, alpha = std::sin(w) / (2 * q), a0 = 1 + alpha;
    f.b0 = 1 / a0;
    f.b1 = -2 * std::cos(w) / a0;
    f.b2 = 1 / a0;
    f.a1 = f.b1;
    f.a2 = (1 - alpha) / a0;
    return f;
}

FilterChain::FilterChain(const TraceFilters& f, double rate) : rate_(rate) {
    if (rate <= 0) return;
    if (f.highPassHz > 0 && f.highPassHz < rate / 2) highPass_ = FirstOrderHighPass(f.highPassHz, rate), hp_ = true;
    if (f.lowPassHz > 0 && f.lowPassHz < rate / 2) lowPass_ = ButterworthLowPass(f.lowPassHz, rate), lp_ = true;
    if (f.notchHz > 0 && f.notchHz < rate / 2) notchFilter_ = NotchFilter(f.notchHz, rate, kNotchQ), notch_ = true;
}

void FilterChain::Start(double x) {
    highPass_.Settle(x);
    const double afterHp = hp_ ? 0.0 : x;
    notchFilter_.Settle(afterHp);
    lowPass_.Settle(afterHp);
}

void FilterChain::Run(double* v, int64_t n) {
    if (!Active()) return;
    // The three stages in one pass: each is a chain of dependent steps, and
    // side by side the processor works on them at once. A stage not in use
    // passes its input through (b0 = 1, the rest 0).
    Biquad h = highPass_, m = notchFilter_, l = lowPass_;
    for (int64_t i = 0; i < n; ++i) {
        const double x = v[i];
        const double a = h.b0 * x + h.z1;
        h.z1 = h.b1 * x - h.a1 * a;
        const double b = m.b0 * a + m.z1;
        m.z1 = m.b1 * a - m.a1 * b + m.z2;
        m.z2 = m.b2 * a - m.a2 * b;
        const double y = l.b0 * b + l.z1;
        l.z1 = l.b1 * b - l.a1 * y + l.z2;
        l.z2 = l.b2 * b - l.a2 * y;
        v[i] = y;
    }
    highPass_.z1 = h.z1;
    notchFilter_.z1 = m.z1, notchFilter_.z2 = m.z2;
    lowPass_.z1 = l.z1, lowPass_.z2 = l.z2;
}

double FilterChain::Gain(double hz) const {
    if (rate_ <= 0) return 1.0;
    const double w = 2 * kPi * hz / rate_;
    double g = 1.0;
    if (hp_) g *= highPass_.Gain(w);
    if (notch_) g *= notchFilter_.Gain(w);
    if (lp_) g *= lowPass_.Gain(w);
    return g;
}

bool RobustRange(const ColumnRange* columns, int32_t count, double* low, double* high) {
    std::vector<float> lows, highs;
    lows.reserve(size_t(std::max(count, 0)));
    highs.reserve(size_t(std::max(count, 0)));
    for (int32_t c = 0; c < count; ++c) {
        if (columns[c].low > columns[c].high) continue;
        lows.push_back(columns[c].low);
        highs.push_back(columns[c].high);
    }
    if (lows.empty()) return false;
    const size_t n = lows.size();
    const size_t cut = n >= 3 ? std::max<size_t>(1, n / 50) : 0;   // 2 % at each end, one column at least
    std::nth_element(lows.begin(), lows.begin() + ptrdiff_t(cut), lows.end());
    std::nth_element(highs.begin(), highs.begin() + ptrdiff_t(n - 1 - cut), highs.end());
    *low = lows[cut];
    *high = highs[n - 1 - cut];
    return true;
}
