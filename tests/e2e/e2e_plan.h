// What the end-to-end run does and what it must find afterwards: the
// recording it generates, the corrections and entries it makes on the pages,
// and the files it names. Shared by the driver (run under Wine, drives the
// real program) and the checker (native, reads the PSG file with EDFlib).
#pragma once

#include "tools/taffgen/taffgen.h"

namespace e2e {

// The recording opened through the real open dialog: the sample night of
// the run command, a few minutes long so the run stays short.
inline TaffGenOptions Recording() {
    TaffGenOptions o;
    o.channels = 14;
    o.rate = 200;
    o.seconds = 150;          // two full blocks and a half
    o.seed = 7;
    return o;
}

// A long one, so a conversion is still running when the program is closed.
inline TaffGenOptions LongRecording() {
    TaffGenOptions o = Recording();
    o.seconds = 6 * 3600;
    return o;
}

// The start time corrected on the source page (the recording says 22:15:04).
constexpr int kStartHour = 23, kStartMinute = 5, kStartSecond = 30;

// Entered on the patient page.
constexpr const char* kPatientId = "E2E-0042";
constexpr const char* kPatientName = "Hanako Sato";

// The frame time of the sample settings, seconds.
constexpr int kFrameTime = 10;

// Labels and units of the sample montage (tools/sample/MORLEX.INI); the
// PSG file has kEditedLabel in place of the label of row kEditedRow.
constexpr const char* kLabels[14] = {"C3-A2", "C4-A1", "O1-A2", "O2-A1", "LOC",  "ROC",      "Chin",
                                     "ECG",   "Flow",  "Thorax", "Abdomen", "SpO2", "Position", "Snore"};
constexpr const char* kUnits[14] = {"uV", "uV", "uV", "uV", "uV", "uV", "uV",
                                    "mV", "mV", "mV", "mV", "%",  "",   "uV"};
constexpr int kPositionChannel = 12;   // from 0
// Their calibrations (EU per VU, no offsets), the sample night's own (EEG
// and EOG 40 counts a microvolt): a signal's physical range is its digital
// range times EU / VU. Row 1 takes the imported CAL file's.
constexpr int kSampleEU[14] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 100, 1, 1};
constexpr int kSampleVU[14] = {40, 40, 40, 40, 40, 40, 100, 10000, 1000, 1000, 1000, 25000, 1, 10};

// The label typed into the montage grid (channel row kEditedRow, from 1)
// over the sample's, then stored with "Pattern Registry".
constexpr int kEditedRow = 14;
constexpr const char* kEditedLabel = "Snoring";
constexpr int kMaxCh = 14;             // MaxCh of the sample settings

// The calibration condition file imported on the montage page: channel 1
// only, its label and unit as the sample's, a calibration of its own.
constexpr const char* kCalName = "SAMPLE.CAL";
constexpr int kCalEU = 100, kCalVU = 2000;
inline const char* CalFileText() {
    return "[CALINFO]\r\nSaveTime=2024/03/14 22:00:00\r\nCH=1\r\n"
           "[CH1]\r\nSignal=4\r\nLabel=C3-A2\r\nUnit=uV\r\nCalEU=100\r\nCalVU=2000\r\n"
           "OffsetCAL=0\r\nOffsetAD=0\r\n";
}

// File names inside the work folder.
constexpr const char* kHeaderName = "NIGHT001.HDR";
constexpr const char* kOutputName = "NIGHT001.DAT";     // in the folder "out"
constexpr const char* kLongHeaderName = "LONG001.HDR";
constexpr const char* kNotRecordingName = "NOTES.HDR";

}  // namespace e2e
