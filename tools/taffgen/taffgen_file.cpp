// Writing a synthetic recording: the header text as recorders write it
// (common part, then a recorder-specific part after DATA) and the data file
// in large chunks. Numbers are formatted without the C library's locale.
#include <cmath>
#include <cstdio>
#include <vector>

#include "tools/taffgen/taffgen.h"

namespace {

constexpr size_t kChunkBytes = 4 << 20;

std::string Padded(int64_t value, int width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    while (static_cast<int>(digits.size()) < width) digits.insert(digits.begin(), '0');
    return (value < 0 ? "-" : "") + digits;
}

// "4.000000e-005" (exponentDigits 3) or "4.000000e-05" (2).
std::string Scientific(double value, int exponentDigits) {
    const double magnitude = std::fabs(value);
    int exponent = 0;
    int64_t digits = 0;  // seven significant digits
    if (magnitude > 0.0) {
        exponent = static_cast<int>(std::floor(std::log10(magnitude)));
        digits = std::llround(magnitude / std::pow(10.0, exponent) * 1e6);
        if (digits >= 10000000) {
            digits = (digits + 5) / 10;
            ++exponent;
        }
    }
    const std::string mantissa = std::to_string(digits / 1000000) + "." + Padded(digits % 1000000, 6);
    const std::string sign = exponent < 0 ? "-" : "+";
    return (value < 0 ? "-" : "") + mantissa + "e" + sign + Padded(exponent < 0 ? -exponent : exponent, exponentDigits);
}

// "0.0000400000": ten decimals.
std::string Fixed(double value) {
    const int64_t scaled = std::llround(std::fabs(value) * 1e10);
    return (value < 0 ? "-" : "") + std::to_string(scaled / 10000000000) + "." + Padded(scaled % 10000000000, 10);
}

std::string FormatNumber(double value, int style) {
    if (style == 1) return Scientific(value, 2);
    if (style == 2) return Fixed(value);
    return Scientific(value, 3);
}

// A per-channel list joined by commas (", " in style 3), with the trailing
// space real headers have.
template <typename Item>
std::string JoinList(const TaffGenOptions& o, Item item) {
    std::string list;
    for (int c = 0; c < o.channels; ++c) {
        if (c > 0) list += o.slopeStyle == 3 ? ", " : ",";
        list += item(c);
    }
    return list + " ";
}

std::string RangeText(int millivolts) {
    if (millivolts % 1000 == 0) return std::to_string(millivolts / 1000) + "V";
    return std::to_string(millivolts) + "mV";
}

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::string StampAfter(const TaffGenOptions& o, int64_t seconds) {
    const int64_t total = DaysFromCivil(o.year, o.month, o.day) * 86400 + o.hour * 3600 + o.minute * 60 + o.second + seconds;
    const int64_t z = (total >= 0 ? total : total - 86399) / 86400 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2);
    const int64_t secondOfDay = total - (total >= 0 ? total : total - 86399) / 86400 * 86400;
    return Padded(year, 4) + Padded(month, 2) + Padded(day, 2) + Padded(secondOfDay / 3600, 2) +
           Padded(secondOfDay / 60 % 60, 2) + Padded(secondOfDay % 60, 2);
}

std::string RecorderPart(const TaffGenOptions& o, const std::string& eol) {
    std::string text = "DEVICE DR-SYNTH" + eol;
    text += "AMP_TYPE PSG_AMP" + eol;
    for (int c = 0; c < o.channels; ++c) {
        text += "CH" + std::to_string(c + 1) + "_" + std::to_string(c + 1) + " DC_AMP,RANGE=" +
                RangeText(TaffGenRangeMillivolts(c)) + ",FILTER=OFF" + eol;
    }
    const int64_t seconds = TaffGenScanCount(o) / (o.rate > 0 ? o.rate : 1);
    text += "ID_NO 1" + eol;
    text += "TIME " + StampAfter(o, 0) + "," + StampAfter(o, seconds) + eol;
    text += "REC_MODE PCCARD " + eol;
    text += "START_TRIGGER MANUAL" + eol;
    text += "STOP_CONDITION MANUAL  " + eol;
    text += "ID_END" + eol;
    text += "FIRM_VER 1.02" + eol;
    std::string lengths = std::to_string(o.comment.size());
    for (int c = 1; c < 8; ++c) lengths += ",0";
    text += "MEMO_LENGTH " + lengths + eol;
    text += "MEMO " + o.comment + eol;
    return text;
}

// Base name of a path: after the last separator, before the last '.'.
std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

bool Fail(std::string* error, const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
}

bool ValidOptions(const TaffGenOptions& o, std::string* error) {
    if (o.channels < 1 || o.channels > 1024) return Fail(error, "channels must be 1..1024");
    if (o.rate < 1 || o.rate > 10000000) return Fail(error, "rate must be 1..10000000");
    if (TaffGenScanCount(o) < 0) return Fail(error, "length must not be negative");
    if (o.month < 1 || o.month > 12 || o.day < 1 || o.day > 31 || o.year < 1900 || o.year > 9999)
        return Fail(error, "invalid start date");
    if (o.hour < 0 || o.hour > 23 || o.minute < 0 || o.minute > 59 || o.second < 0 || o.second > 59)
        return Fail(error, "invalid start time");
    return true;
}

void PutSample(unsigned char* out, int32_t v, int bytes) {
    const uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<unsigned char>(u >> (8 * i));
}

// Writes samples scan after scan (INTERLACED, each scan's channels worked
// out together) or channel after channel (SEQUENTIAL) through one chunk buffer.
bool WriteSamples(const TaffGenOptions& o, std::FILE* file) {
    const int bytes = o.longSamples ? 4 : 2;
    const int64_t scans = TaffGenScanCount(o);
    std::vector<unsigned char> chunk(kChunkBytes);
    std::vector<int32_t> scan(static_cast<size_t>(o.channels));
    size_t used = 0;
    auto put = [&](int32_t raw) {
        if (used + 4 > chunk.size()) {
            if (std::fwrite(chunk.data(), 1, used, file) != used) return false;
            used = 0;
        }
        PutSample(chunk.data() + used, raw, bytes);
        used += static_cast<size_t>(bytes);
        return true;
    };
    if (o.sequential) {
        for (int c = 0; c < o.channels; ++c)
            for (int64_t s = 0; s < scans; ++s)
                if (!put(TaffGenRawSample(o, c, s))) return false;
    } else {
        for (int64_t s = 0; s < scans; ++s) {
            TaffGenRawScan(o, s, scan.data());
            for (int c = 0; c < o.channels; ++c)
                if (!put(scan[static_cast<size_t>(c)])) return false;
        }
    }
    return std::fwrite(chunk.data(), 1, used, file) == used;
}

}  // namespace

int64_t TaffGenScanCount(const TaffGenOptions& options) {
    if (options.scans > 0) return options.scans;
    return std::llround(options.seconds * options.rate);
}

std::string TaffGenHeaderText(const TaffGenOptions& o, const std::string& datasetName) {
    const std::string eol = o.crlf ? "\r\n" : "\n";
    const double fullScale = o.longSamples ? 6400000.0 : 25000.0;
    std::string t;
    t += "DATASET " + datasetName + eol;
    t += "VERSION 1" + eol;
    t += "SERIES " + JoinList(o, [](int c) { return "CH" + std::to_string(c + 1) + "_" + TaffGenChannelName(c); }) + eol;
    t += "DATE " + Padded(o.month, 2) + "-" + Padded(o.day, 2) + "-" + Padded(o.year, 4) + eol;
    t += "TIME " + Padded(o.hour, 2) + ":" + Padded(o.minute, 2) + ":" + Padded(o.second, 2) + ".00" + eol;
    t += "RATE " + std::to_string(o.rate) + eol;
    t += "VERT_UNITS " + JoinList(o, [](int) { return std::string("V"); }) + eol;
    t += "HORZ_UNITS Sec" + eol;
    t += "COMMENT " + o.comment + eol;
    t += "NUM_SERIES " + std::to_string(o.channels) + eol;
    t += std::string("STORAGE_MODE ") + (o.sequential ? "SEQUENTIAL" : "INTERLACED") + eol;
    t += std::string("FILE_TYPE ") + (o.longSamples ? "LONG" : "INTEGER") + eol;
    t += "SLOPE " + JoinList(o, [&](int c) {
        return FormatNumber(TaffGenRangeMillivolts(c) / 1000.0 / fullScale, o.slopeStyle);
    }) + eol;
    t += "X_OFFSET 0.0" + eol;
    t += "Y_OFFSET " + JoinList(o, [&](int) { return FormatNumber(0.0, o.slopeStyle); }) + eol;
    t += "NUM_SAMPS " + std::to_string(TaffGenScanCount(o)) + eol;
    t += "DATA" + eol;
    if (o.recorderPart) t += RecorderPart(o, eol);
    return t;
}

std::string TaffGenDataPath(const TaffGenOptions& options, const std::string& headerPath) {
    const size_t slash = headerPath.find_last_of("/\\");
    const size_t dot = headerPath.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (hasExtension ? headerPath.substr(0, dot) : headerPath) + options.dataExtension;
}

bool TaffGenWriteData(const TaffGenOptions& options, const std::string& dataPath, std::string* error) {
    if (!ValidOptions(options, error)) return false;
    std::FILE* file = std::fopen(dataPath.c_str(), "wb");
    if (file == nullptr) return Fail(error, "cannot create " + dataPath);
    const bool written = WriteSamples(options, file);
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) return Fail(error, "cannot write " + dataPath);
    return true;
}

bool WriteTaffRecording(const TaffGenOptions& options, const std::string& headerPath, std::string* error) {
    if (!ValidOptions(options, error)) return false;
    const std::string header = TaffGenHeaderText(options, BaseName(headerPath));
    std::FILE* file = std::fopen(headerPath.c_str(), "wb");
    if (file == nullptr) return Fail(error, "cannot create " + headerPath);
    const bool written = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    if (std::fclose(file) != 0 || !written) return Fail(error, "cannot write " + headerPath);
    return TaffGenWriteData(options, TaffGenDataPath(options, headerPath), error);
}
