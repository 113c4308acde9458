// Generator of synthetic TAFFmat recordings that look like a night in a
// sleep lab: EEG with alpha bursts and slow waves, eye movements, chin and
// leg EMG, ECG beats, breathing on flow and belts, a slow SpO2 trace, snoring
// and a body-position channel stepping between the levels 0, 5000, 10000
// and 15000 held for minutes.
//
// Every sample is a pure function of (options, channel, scan), so tests can
// compare what the reader delivers with TaffGenExpectedSample sample for
// sample, at any position, without keeping the recording in memory. Integer
// arithmetic only: the same samples come out natively and on Windows.
// Portable C++ (no platform headers); files are written in large chunks.
#pragma once

#include <cstdint>
#include <string>

struct TaffGenOptions {
    int channels = 16;                   // 1..1024; names repeat the table below beyond it
    int rate = 200;                      // samples per second per channel, 1..10000000
    int64_t scans = 0;                   // samples per channel; 0: seconds x rate
    double seconds = 3600.0;             // length when `scans` is 0
    bool longSamples = false;            // FILE_TYPE LONG (24-bit in 4 bytes) instead of INTEGER
    bool sequential = false;             // STORAGE_MODE SEQUENTIAL instead of INTERLACED
    int year = 2024, month = 3, day = 14;     // start date
    int hour = 22, minute = 15, second = 4;   // start time of day
    std::string dataExtension = ".DAT";  // extension of the data file, any case
    bool crlf = true;                    // header lines end in CR LF (else LF)
    bool recorderPart = true;            // the recorder-specific lines after DATA
    int slopeStyle = 0;                  // SLOPE/Y_OFFSET spelling: 0 "4.000000e-005",
                                         // 1 "4.000000e-05", 2 "0.00004000", 3 like 0 with
                                         // a space after each comma
    uint32_t seed = 1;                   // varies the activity; same seed, same samples
    std::string comment = "overnight study";
};

// Samples per channel that a recording with these options holds.
int64_t TaffGenScanCount(const TaffGenOptions& options);

// Name of channel `channel` (from 0) without its "CHn_" prefix: C3-A2,
// C4-A1, O1-A2, O2-A1, LOC, ROC, Chin, ECG, Flow, Thorax, Abdomen, SpO2,
// Position, Snore, Leg L, Leg R, F3-A2, F4-A1, Cz-A1, Pulse, then AUXn.
std::string TaffGenChannelName(int channel);

// The channel's input range in millivolts (+-100 % = +-25000 counts), from
// which the header's SLOPE is made.
int TaffGenRangeMillivolts(int channel);

// The value stored in the data file: int16 range for INTEGER; for LONG a
// 24-bit value whose 16-bit reading is TaffGenExpectedSample.
int32_t TaffGenRawSample(const TaffGenOptions& options, int channel, int64_t scan);

// The 16-bit sample the reader must deliver for that channel and scan. It
// does not depend on longSamples or sequential: one recording in all four
// variants reads the same.
int16_t TaffGenExpectedSample(const TaffGenOptions& options, int channel, int64_t scan);

// The position channel's raw levels, held for minutes at a time.
constexpr int kTaffGenPositionLevels[4] = {0, 5000, 10000, 15000};

// The header text, with `datasetName` on the DATASET line.
std::string TaffGenHeaderText(const TaffGenOptions& options, const std::string& datasetName);

// The data file's path beside `headerPath`: its stem plus dataExtension.
std::string TaffGenDataPath(const TaffGenOptions& options, const std::string& headerPath);

// Writes the data file alone. False (with a reason in `error` when given)
// when it cannot be written.
bool TaffGenWriteData(const TaffGenOptions& options, const std::string& dataPath, std::string* error = nullptr);

// Writes the header at `headerPath` and the data file beside it. DATASET is
// the header's base name. False (with a reason in `error`) on a write error
// or invalid options.
bool WriteTaffRecording(const TaffGenOptions& options, const std::string& headerPath, std::string* error = nullptr);
