// Reading EDF and MATLAB v5 recordings into memory; see taffimport_sources.h.
#include "tools/taffimport/taffimport_sources.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

const int kMaxRate = 100000;              // samples per second
const double kMaxSeconds = 7 * 86400.0;   // a week

bool Fail(std::string* error, const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
}

bool ReadWhole(const std::string& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

std::string Trimmed(const std::string& text) {
    const size_t a = text.find_first_not_of(' ');
    const size_t b = text.find_last_not_of(' ');
    return a == std::string::npos ? "" : text.substr(a, b - a + 1);
}

int16_t Clamp16(double v) {
    if (std::isnan(v)) return 0;
    const double r = std::floor(v + 0.5);
    return static_cast<int16_t>(r > 32767 ? 32767 : (r < -32768 ? -32768 : r));
}

// `low` samples per second brought to `rate` by linear interpolation.
std::vector<int16_t> Resampled(const std::vector<int16_t>& x, int low, int rate, int64_t length) {
    std::vector<int16_t> y(static_cast<size_t>(length));
    for (int64_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) * low / rate;
        const size_t k = static_cast<size_t>(t);
        const double a = k < x.size() ? x[k] : 0;
        const double b = k + 1 < x.size() ? x[k + 1] : a;
        y[static_cast<size_t>(i)] = Clamp16(a + (b - a) * (t - static_cast<double>(k)));
    }
    return y;
}

// Stores physical values as digital samples of `step` units each with a
// calibration free of offsets (a settings file keeps no offsets): the
// source's own step when the values fit the 16-bit range with it, else a
// coarser one that fits them in +-30000.
void SetPhysical(ImportedChannel& ch, std::vector<double> physical, double step) {
    double top = 0;
    for (double& v : physical) {
        if (!std::isfinite(v)) v = 0;
        v = std::max(-1e12, std::min(1e12, v));
        top = std::max(top, std::fabs(v));
    }
    if (!(step > 0) || top / step > 32767) step = top > 0 ? top / 30000 : 1;
    step = std::max(1e-9, std::min(1e9, step));
    int digits = static_cast<int>(std::ceil(5 - std::log10(step)));
    digits = std::min(9, std::max(0, digits));
    ch.calVU = static_cast<int>(std::lround(std::pow(10.0, digits)));
    ch.calEU = static_cast<int>(std::lround(step * ch.calVU));
    const double exact = static_cast<double>(ch.calEU) / ch.calVU;
    ch.samples.resize(physical.size());
    for (size_t i = 0; i < physical.size(); ++i) ch.samples[i] = Clamp16(physical[i] / exact);
}

// Stores samples of a known digital range [low, high] whose physical range
// [physLow, physHigh] lies about evenly around zero so that the range's ends
// land on the 16-bit limits (-32768 and 32767): the night check then sees
// the recorder's clipping where the source clipped. Else as SetPhysical.
void SetDigital(ImportedChannel& ch, const std::vector<double>& digital, double low, double high, double physLow,
                double physHigh) {
    const double span = physHigh - physLow;
    if (!std::isfinite(span) || !(high > low) || !(physLow < 0 && physHigh > 0) || std::fabs(physLow + physHigh) > 0.02 * span) {
        std::vector<double> physical(digital.size());
        for (size_t i = 0; i < digital.size(); ++i) physical[i] = physLow + (digital[i] - low) * span / (high - low);
        SetPhysical(ch, physical, span / (high - low));
        return;
    }
    const double step = span / 65535;
    int digits = static_cast<int>(std::ceil(5 - std::log10(step)));
    digits = std::min(9, std::max(0, digits));
    ch.calVU = static_cast<int>(std::lround(std::pow(10.0, digits)));
    ch.calEU = static_cast<int>(std::lround(step * ch.calVU));
    ch.samples.resize(digital.size());
    for (size_t i = 0; i < digital.size(); ++i) ch.samples[i] = Clamp16((digital[i] - low) * 65535 / (high - low) - 32768);
}

// ---- EDF -------------------------------------------------------------------------------

struct EdfSignal {
    std::string label, unit;
    double physMin = 0, physMax = 0;
    int digMin = 0, digMax = 0, perRecord = 0;
    std::vector<int16_t> samples;
};

std::string Field(const std::string& h, size_t at, size_t width) { return Trimmed(h.substr(at, width)); }

bool ParseEdfHeader(const std::string& b, std::vector<EdfSignal>* signals, int64_t* records, double* duration,
                    ImportedRecording* out) {
    if (b.size() < 256) return false;
    const int ns = std::atoi(Field(b, 252, 4).c_str());
    *records = std::atoll(Field(b, 236, 8).c_str());
    *duration = std::atof(Field(b, 244, 8).c_str());
    if (ns <= 0 || ns > 512 || *records <= 0 || *duration <= 0 || b.size() < 256u + 256u * ns) return false;
    std::sscanf(Field(b, 168, 8).c_str(), "%d.%d.%d", &out->day, &out->month, &out->year);
    out->year += out->year < 85 ? 2000 : 1900;
    std::sscanf(Field(b, 176, 8).c_str(), "%d.%d.%d", &out->hour, &out->minute, &out->second);
    signals->resize(static_cast<size_t>(ns));
    const size_t n = static_cast<size_t>(ns);
    size_t at = 256;
    auto column = [&](size_t width, auto apply) {
        for (size_t i = 0; i < n; ++i) apply((*signals)[i], Field(b, at + i * width, width));
        at += width * n;
    };
    column(16, [](EdfSignal& s, const std::string& v) { s.label = v; });
    column(80, [](EdfSignal&, const std::string&) {});
    column(8, [](EdfSignal& s, const std::string& v) { s.unit = v; });
    column(8, [](EdfSignal& s, const std::string& v) { s.physMin = std::atof(v.c_str()); });
    column(8, [](EdfSignal& s, const std::string& v) { s.physMax = std::atof(v.c_str()); });
    column(8, [](EdfSignal& s, const std::string& v) { s.digMin = std::atoi(v.c_str()); });
    column(8, [](EdfSignal& s, const std::string& v) { s.digMax = std::atoi(v.c_str()); });
    column(80, [](EdfSignal&, const std::string&) {});
    column(8, [](EdfSignal& s, const std::string& v) { s.perRecord = std::atoi(v.c_str()); });
    for (const EdfSignal& s : *signals)
        if (s.perRecord <= 0 || s.digMax <= s.digMin) return false;
    return true;
}

bool ReadEdfSamples(const std::string& b, int64_t records, std::vector<EdfSignal>* signals) {
    size_t at = 256u + 256u * signals->size();
    for (int64_t r = 0; r < records; ++r) {
        for (EdfSignal& s : *signals) {
            const size_t bytes = 2u * static_cast<size_t>(s.perRecord);
            if (at + bytes > b.size()) return false;
            for (int k = 0; k < s.perRecord; ++k) {
                const unsigned char* p = reinterpret_cast<const unsigned char*>(b.data()) + at + 2 * k;
                s.samples.push_back(static_cast<int16_t>(p[0] | (p[1] << 8)));
            }
            at += bytes;
        }
    }
    return true;
}

// ---- MATLAB v5 -----------------------------------------------------------------------

uint32_t Le32(const std::string& b, size_t at) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(b.data()) + at;
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

struct MatElement {
    uint32_t type = 0, size = 0;
    size_t data = 0, next = 0;
};

// The data element at `at` (either tag form).
bool MatElementAt(const std::string& b, size_t at, MatElement* e) {
    if (at + 8 > b.size()) return false;
    const uint32_t word = Le32(b, at);
    if (word >> 16) {  // small element: size in the upper half, data in the tag
        e->type = word & 0xFFFF;
        e->size = word >> 16;
        e->data = at + 4;
        e->next = at + 8;
        return e->size <= 4;
    }
    e->type = word;
    e->size = Le32(b, at + 4);
    e->data = at + 8;
    e->next = e->data + ((static_cast<size_t>(e->size) + 7) / 8) * 8;
    return e->data + e->size <= b.size();
}

enum { kMiInt16 = 3, kMiInt32 = 5, kMiDouble = 9, kMiMatrix = 14 };

// The first numeric matrix of the file: its rows and columns and values.
bool ReadMatMatrix(const std::string& b, size_t* rows, size_t* cols, std::vector<double>* values) {
    MatElement top;
    if (b.size() < 128 || !MatElementAt(b, 128, &top) || top.type != kMiMatrix) return false;
    MatElement flags, dims, name, real;
    if (!MatElementAt(b, top.data, &flags) || !MatElementAt(b, flags.next, &dims) || dims.type != kMiInt32 ||
        dims.size != 8 || !MatElementAt(b, dims.next, &name) || !MatElementAt(b, name.next, &real))
        return false;
    *rows = Le32(b, dims.data);
    *cols = Le32(b, dims.data + 4);
    const size_t width = real.type == kMiInt16 ? 2 : real.type == kMiDouble ? 8 : 0;
    if (width == 0 || *rows == 0 || *cols == 0 || *rows > 64 || *cols > real.size / width / *rows) return false;
    const size_t count = *rows * *cols;
    values->resize(count);
    for (size_t i = 0; i < count; ++i) {
        if (width == 2) {
            const uint32_t lo = static_cast<unsigned char>(b[real.data + 2 * i]);
            const uint32_t hi = static_cast<unsigned char>(b[real.data + 2 * i + 1]);
            (*values)[i] = static_cast<int16_t>(lo | (hi << 8));
        } else {
            double v;
            std::memcpy(&v, b.data() + real.data + 8 * i, 8);
            (*values)[i] = v;
        }
    }
    return true;
}

struct InfoRow {
    std::string signal, unit;
    double gain = 1, base = 0;
};

// The .info text beside an exported matrix: rate, start and one line per row.
bool ReadInfo(const std::string& text, int* rate, ImportedRecording* out, std::vector<InfoRow>* rows) {
    std::istringstream in(text);
    std::string line;
    bool table = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        double hz = 0;
        if (std::sscanf(line.c_str(), "Sampling frequency: %lf", &hz) == 1 && hz > 0 && hz <= kMaxRate)
            *rate = static_cast<int>(std::lround(hz));
        const size_t start = line.find("Start: [");
        if (start != std::string::npos)
            std::sscanf(line.c_str() + start + 8, "%d:%d:%d.%*d %d/%d/%d", &out->hour, &out->minute, &out->second,
                        &out->day, &out->month, &out->year);
        if (line.rfind("Row\t", 0) == 0) {
            table = true;
            continue;
        }
        if (!table || line.empty() || !std::isdigit(static_cast<unsigned char>(line[0]))) continue;
        std::vector<std::string> f;
        std::stringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) f.push_back(cell);
        if (f.size() < 5) continue;
        rows->push_back(InfoRow{f[1], f[4], std::atof(f[2].c_str()), std::atof(f[3].c_str())});
    }
    return *rate > 0 && *rate <= kMaxRate && !rows->empty();
}

// "EEG (C4-A1)" -> "EEG C4-A1": labels without brackets.
std::string LabelOf(const std::string& signal) {
    std::string label;
    for (const char c : signal)
        if (c != '(' && c != ')') label += c;
    return label;
}

// A row of the matrix as the physical values (value - base) / gain, in
// microvolts for the bioelectric signals a file gives in millivolts.
ImportedChannel ChannelOfRow(const InfoRow& row, const std::vector<double>& values, size_t rows, size_t r) {
    ImportedChannel ch;
    ch.label = LabelOf(row.signal);
    ch.signalType = SignalTypeOfLabel(ch.label);
    const bool bio = ch.signalType == 4 || ch.signalType == 5 || ch.signalType == 6;
    const double scale = bio && row.unit == "mV" ? 1000 : 1;
    ch.unit = scale == 1000 ? "uV" : row.unit;
    const double gain = row.gain != 0 ? row.gain : 1;
    const size_t cols = values.size() / rows;
    std::vector<double> physical(cols);
    for (size_t c = 0; c < cols; ++c) physical[c] = (values[c * rows + r] - row.base) / gain * scale;
    SetPhysical(ch, physical, std::fabs(scale / gain));
    return ch;
}

}  // namespace

int SignalTypeOfLabel(const std::string& label) {
    std::string l;
    for (const char c : label) l += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto has = [&](const char* word) { return l.find(word) != std::string::npos; };
    if (has("eeg")) return 4;
    if (has("eog")) return 5;
    if (has("ecg") || has("ekg")) return 7;
    if (has("emg")) return 6;
    if (has("spo2") || has("sao2")) return 11;
    if (has("abdom")) return 10;
    if (has("thor") || has("chest")) return 9;
    if (has("resp") || has("flow") || has("nasal")) return 8;
    if (has("bp") || has("press")) return 16;
    if (has("temp")) return 17;
    if (has("event") || has("marker")) return 2;
    return 20;
}

bool ReadEdfRecording(const std::string& path, ImportedRecording* out, std::string* error) {
    std::string b;
    if (!ReadWhole(path, &b)) return Fail(error, "cannot read " + path);
    return ParseEdfRecording(b, out, error) || Fail(error, path + ": " + (error ? *error : ""));
}

bool ParseEdfRecording(const std::string& b, ImportedRecording* out, std::string* error) {
    std::vector<EdfSignal> signals;
    int64_t records = 0;
    double duration = 0;
    if (!ParseEdfHeader(b, &signals, &records, &duration, out) || !ReadEdfSamples(b, records, &signals))
        return Fail(error, "not an EDF file this tool reads");
    signals.erase(std::remove_if(signals.begin(), signals.end(),
                                 [](const EdfSignal& s) { return s.label == "EDF Annotations"; }),
                  signals.end());
    if (signals.empty()) return Fail(error, "no signal");
    int top = 0;
    for (const EdfSignal& s : signals) top = std::max(top, s.perRecord);
    out->rate = static_cast<int>(std::lround(top / duration));
    if (out->rate < 1 || out->rate > kMaxRate || records * duration > kMaxSeconds)
        return Fail(error, "rate or length out of range");
    const int64_t length = static_cast<int64_t>(std::llround(records * duration)) * out->rate;
    for (const EdfSignal& s : signals) {
        ImportedChannel ch;
        ch.label = s.label;
        ch.unit = s.unit;
        ch.signalType = SignalTypeOfLabel(s.label);
        const int own = static_cast<int>(std::lround(s.perRecord / duration));
        ch.rateDivisor = own > 0 && out->rate % own == 0 ? out->rate / own : 1;
        std::vector<int16_t> digital = own == out->rate ? s.samples : Resampled(s.samples, own, out->rate, length);
        digital.resize(static_cast<size_t>(length));
        SetDigital(ch, std::vector<double>(digital.begin(), digital.end()), s.digMin, s.digMax, s.physMin, s.physMax);
        out->channels.push_back(std::move(ch));
    }
    return true;
}

bool ReadMatRecording(const std::string& path, const MatDescription& description, ImportedRecording* out,
                      std::string* error) {
    std::string b, info;
    if (!ReadWhole(path, &b)) return Fail(error, "cannot read " + path);
    ReadWhole(path.substr(0, path.rfind('.')) + ".info", &info);
    return ParseMatRecording(b, info, description, out, error) || Fail(error, path + ": " + (error ? *error : ""));
}

bool ParseMatRecording(const std::string& b, const std::string& info, const MatDescription& description,
                       ImportedRecording* out, std::string* error) {
    size_t rows = 0, cols = 0;
    std::vector<double> values;
    if (!ReadMatMatrix(b, &rows, &cols, &values)) return Fail(error, "no matrix this tool reads");
    std::vector<InfoRow> infoRows;
    int rate = 0;
    if (ReadInfo(info, &rate, out, &infoRows)) {
        if (infoRows.size() != rows) return Fail(error, "the .info does not describe every row");
        out->rate = rate;
        for (size_t r = 0; r < rows; ++r) out->channels.push_back(ChannelOfRow(infoRows[r], values, rows, r));
        return true;
    }
    if (description.rate <= 0 || description.rate > kMaxRate) return Fail(error, "give --rate (no .info beside it)");
    out->rate = description.rate;
    for (size_t r = 0; r < rows; ++r) {
        ImportedChannel ch;
        ch.label = rows == 1 ? description.label : description.label + " " + std::to_string(r + 1);
        ch.unit = description.unit;
        ch.signalType = description.signalType;
        ch.calEU = description.calEU;
        ch.calVU = description.calVU;
        std::vector<double> row(cols);
        for (size_t c = 0; c < cols; ++c) row[c] = values[c * rows + r];
        if (description.digitalHigh > description.digitalLow) {
            const double step = static_cast<double>(description.calEU) / description.calVU;
            SetDigital(ch, row, description.digitalLow, description.digitalHigh, description.digitalLow * step,
                       description.digitalHigh * step);
        } else {
            ch.samples.resize(cols);
            for (size_t c = 0; c < cols; ++c) ch.samples[c] = Clamp16(row[c]);
        }
        out->channels.push_back(std::move(ch));
    }
    return true;
}
