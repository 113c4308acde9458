// The TAFFmat header as the reader understands it: the common part up to
// DATA parsed tolerantly (CR, LF or CRLF, blank lines, trailing spaces,
// lowercase keywords, unknown keywords, an early end), and the decision of
// channel count and length from the header and the data file's size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "taffread/taff_text.h"

namespace taff {

// Limits beyond which a value is absurd and the file is refused.
constexpr int64_t kMaxChannels = 1024;
constexpr double kMaxRate = 10000000.0;          // samples per second
constexpr int64_t kMaxDeclaredScans = int64_t{1} << 48;

enum class SampleType { Integer16, Long24 };
enum class Storage { Interlaced, Sequential };

// Values of the common part. Lists keep one trimmed item per channel.
struct Header {
    int64_t numSeries = 0;             // NUM_SERIES; 0 when missing
    double rate = 0.0;                 // RATE as written
    bool hasRate = false;
    std::vector<std::string> series;   // SERIES items, "CHn_" prefix still on
    std::vector<std::string> slope;    // SLOPE items (only their count is used)
    std::vector<std::string> yOffset;  // Y_OFFSET items (only their count is used)
    std::vector<std::string> vertUnits;
    bool hasDate = false;
    TaffDate date;
    bool hasTime = false;
    TaffTime time;
    SampleType sampleType = SampleType::Integer16;
    Storage storage = Storage::Interlaced;
    int64_t numSamps = -1;             // NUM_SAMPS; -1 when missing
};

// Parses a header file's text. Only the part before DATA counts; the first
// occurrence of a keyword wins. Returns false when the text is not a usable
// header: a zero byte before DATA, a value of a known keyword that cannot be
// read, a missing NUM_SERIES, RATE, SERIES, DATE or TIME, or an absurd value
// (channels beyond kMaxChannels, RATE rounding to 0 or less or above
// kMaxRate, NUM_SAMPS negative or above kMaxDeclaredScans).
bool ParseHeader(const std::string& text, Header* header);

// Where the samples lie in the data file and how many whole scans it holds.
struct Layout {
    int channels = 0;
    int sampleBytes = 2;               // 2 (INTEGER) or 4 (LONG)
    bool sequential = false;
    int64_t channelStride = 0;         // SEQUENTIAL: samples per channel block
    int32_t scans = 0;                 // whole scans available to the program
    int32_t declaredScans = 0;         // scans the header announces (NUM_SAMPS, else scans)
};

// Decides the channel count and the available scans from the header and the
// data file's size in bytes. When NUM_SERIES and the SERIES list agree, that
// count is used and the file is read as far as it holds whole scans. When
// they disagree, the count that explains the data size wins (exactly
// NUM_SAMPS scans first, then a whole number of fewer scans), the other
// lists breaking a tie. False when nothing is consistent or no whole scan is
// there.
bool DecideLayout(const Header& header, int64_t dataBytes, Layout* layout);

// Byte offset of sample `scan` of channel `channel` in the data file.
int64_t SampleOffset(const Layout& layout, int channel, int64_t scan);

// RATE rounded to the nearest integer (the header was checked by ParseHeader).
int32_t RoundedRate(const Header& header);

// The name of channel `channel` (from 0): its SERIES item without the
// "CHn_" prefix; "CHn" when that leaves nothing or the item is missing.
std::string ChannelName(const Header& header, int channel);

}  // namespace taff
