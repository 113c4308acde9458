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
#include <utility>
#include <vector>

// The faults a night can be given, named as the night check names the check
// that should find them.
enum class TaffGenFaultKind {
    Flat, Clipping, Hum, HfArtifact, Amplitude, NotItsType, Duplicate, EogInPhase, Ecg, Spo2, Position, Count
};

// One fault laid over a channel for a stretch of the night. `value` is the
// fault's strength or form, in the kind's own terms (counts of the 16-bit
// scale unless said otherwise); ParseTaffGenFault fills in the kind's
// default (TaffGenFaultDefault) when none is given:
// The defaults are faults a lab meets, each clearly beyond what the check
// lets pass on a clean channel:
//   flat          noise left on the held value, counts (default: what an input with
//                 no electrode records, about 0.3 uV rms, on a channel in uV or mV;
//                 0, the value repeated, on the others: a frozen oximeter)
//   clipping      gain that drives the signal into the converter's limits (default 20)
//   hum           amplitude of the mains wave, counts (default 4000: 71 uV rms on
//                 EEG, most of the channel's power); `mains` Hz
//   hf_artifact   amplitude of broadband muscle-like noise, counts (default 6000:
//                 about 60 uV rms on EEG)
//   amplitude     amplitude of slow movement swings, counts (default 40000: swings
//                 and pops of 1000-1600 uV peak to peak on EEG and EOG, at times
//                 reaching the converter's limits)
//   not_its_type  scale of an ECG put on the channel (default 1); an ECG channel
//                 gets EEG instead, an SpO2 channel its value / 100 (a unit mistake)
//   duplicate     channel number (from 1) whose signal is copied (default: the
//                 neighbour, 1<->2, 3<->4, ...)
//   eog_in_phase  none: the channel is inverted
//   ecg           0 inverted (default), 1 noise without beats, 2 about 190 bpm, 3 about 21 bpm
//   spo2          0 probe off, reads 0 (default; the night's pulse rate channels
//                 read 0 with it: TaffGenWithCompanions), 1 jumps of a quarter every 2 s
//   position      the raw value held (default 7500, between the levels)
struct TaffGenFault {
    TaffGenFaultKind kind = TaffGenFaultKind::Flat;
    int channel = 0;                // from 0
    double startSeconds = 0.0;
    double lengthSeconds = 0.0;
    double value = 0.0;             // the kind's value, with the default filled in
    int mains = 50;                 // hum: 50 or 60 Hz
};

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
    std::vector<TaffGenFault> faults;    // laid over the clean night, in this order
    // A real frontal EEG (counts of the EOG's calibration, at `rate`, looped
    // over the night) added to both eye channels with the same sign, as the
    // slow waves of deep sleep reach both EOG electrodes (ROC mixes in some
    // of another stretch, as its own reference sees more); empty: none.
    std::vector<int16_t> eogEeg;
};

// Samples per channel that a recording with these options holds.
int64_t TaffGenScanCount(const TaffGenOptions& options);

// Name of channel `channel` (from 0) without its "CHn_" prefix: C3-A2,
// C4-A1, O1-A2, O2-A1, LOC, ROC, Chin, ECG, Flow, Thorax, Abdomen, SpO2,
// Position, Snore, Leg L, Leg R, F3-A2, F4-A1, Cz-A1, Pulse (the pulse rate
// of the oximeter), then AUXn.
std::string TaffGenChannelName(int channel);

// Signal type codes of the PSG writer the generated channels get.
enum TaffGenSignalType {
    kTaffGenTypeEeg = 4, kTaffGenTypeEog = 5, kTaffGenTypeEmg = 6, kTaffGenTypeEcg = 7, kTaffGenTypeFlow = 8,
    kTaffGenTypeThorax = 9, kTaffGenTypeAbdomen = 10, kTaffGenTypeSpO2 = 11, kTaffGenTypePulse = 12,
    kTaffGenTypeSnore = 13, kTaffGenTypeLegEmg = 14, kTaffGenTypePosition = 15
};

// How a generated channel is calibrated: physical value = counts x calEU /
// calVU in `unit`, following the amplitudes the generator gives each kind
// (EEG and EOG 40 counts a microvolt, so +-819 uV full scale; ECG in mV;
// SpO2 25000 counts = 100 %; pulse rate 100 counts a beat a minute).
struct TaffGenCalibration {
    const char* unit;
    int type, calEU, calVU;
};
TaffGenCalibration TaffGenCalibrationOf(int channel);

// Counts of one microvolt on the channel (0 when its unit is no voltage).
double TaffGenCountsPerMicrovolt(int channel);

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

// The same night's synthetic ECG and EEG counts, which some faults put on
// other channels.
int64_t TaffGenEcgCounts(uint32_t seed, int rate, int64_t scan);
int64_t TaffGenEegCounts(uint32_t seed, int rate, int64_t scan);

// The raw values of every channel at one scan into raw[0..channels-1]; the
// night's shared state is worked out once for all of them.
void TaffGenRawScan(const TaffGenOptions& options, int64_t scan, int32_t* raw);

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

// ---- faults -------------------------------------------------------------------------

// A recording the faults are laid over: its clean counts channel by channel
// (a generated night or a real recording read into memory) and what the
// faults need to know of its channels.
class TaffGenSignals {
public:
    virtual ~TaffGenSignals() = default;
    virtual int64_t Clean(int channel, int64_t scan) const = 0;
    virtual int Rate() const = 0;
    virtual uint32_t Seed() const = 0;
    virtual int Channels() const = 0;
    virtual bool IsEcg(int channel) const = 0;
    virtual bool IsSpO2(int channel) const = 0;
    virtual bool IsPulse(int) const { return false; }
};

// The name of the check that finds the fault, as the night check names it
// (CheckKindName): "flat", "clipping", "hum", "hf_artifact", "amplitude",
// "not_its_type", "duplicate", "eog_in_phase", "ecg", "spo2", "position".
const char* TaffGenFaultName(TaffGenFaultKind kind);

// The kind's default value (see TaffGenFault) for `channel` of `channels`
// (a generated night's channel, by number from 0).
double TaffGenFaultDefault(TaffGenFaultKind kind, int channel, int channels);

// The default of a fault laid on a voltage channel of another recording
// (taffimport), by its size on a generated night's EEG turned into that
// channel's counts: flat noise 0.52 uV peak (at least one count), hum 100
// uV peak, high-frequency noise 150 uV, movement 1000 uV. -1 for the other
// kinds, or when `countsPerMicrovolt` is not above 0.
double TaffGenVoltageFaultDefault(TaffGenFaultKind kind, double countsPerMicrovolt);

// `faults` with what goes with them on a generated night of `channels`: an
// SpO2 probe off (spo2 form 0 on the SpO2 channel) also stops the pulse
// rate channel, which reads 0 over the same stretch (its own entry, check
// spo2). The others as given, in order.
std::vector<TaffGenFault> TaffGenWithCompanions(const std::vector<TaffGenFault>& faults, int channels);

// The stretches of a generated night (seconds from its start, whole
// seconds) in which the eyes move quickly (REM sleep), each at least
// `shortestSeconds` long.
std::vector<std::pair<double, double>> TaffGenEyeMovementStretches(const TaffGenOptions& options,
                                                                   double shortestSeconds);

// One quick eye movement (a saccade) of a generated night: its start and
// length in seconds from the night's start, and its step in uV as the left
// eye's electrode sees it (the right eye's sees the opposite).
struct TaffGenSaccade {
    double startSeconds, lengthSeconds, microvolts;
};

// The saccades a generated night lays from `fromSeconds` to `toSeconds`, in
// order (the eyes also roll slowly, in REM sleep and out of it).
std::vector<TaffGenSaccade> TaffGenSaccades(const TaffGenOptions& options, double fromSeconds, double toSeconds);

// Parses "KIND:CHANNEL:START:LENGTH[:VALUE]": CHANNEL a number from 1 or a
// name of `names`, START and LENGTH seconds. False with a reason in `error`.
bool ParseTaffGenFault(const std::string& text, const std::vector<std::string>& names, TaffGenFault* out,
                       std::string* error);

// `counts` of `channel` at `scan` with every fault covering it applied, in
// order; unchanged outside the faults' stretches. Not clamped.
int64_t TaffGenApplyFaults(const std::vector<TaffGenFault>& faults, const TaffGenSignals& night, int channel,
                           int64_t scan, int64_t counts);

// The first and one-past-last scan a fault covers at `rate`.
int64_t TaffGenFaultFirstScan(const TaffGenFault& fault, int rate);
int64_t TaffGenFaultEndScan(const TaffGenFault& fault, int rate);

// The ground-truth file of the faults laid over a recording: JSON, see
// docs/test-nights.md. `labels` names the channels by number from 0.
std::string TaffGenGroundTruthText(const std::string& recording, uint32_t seed, int rate,
                                   const std::vector<TaffGenFault>& faults, const std::vector<std::string>& labels);
