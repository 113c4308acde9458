// Recordings of other formats read into memory, to be written as TAFFmat
// recordings: EDF files (their own digital samples, each signal's physical
// range as the montage's calibration) and MATLAB v5 files holding one int16
// or double matrix of signals by samples (the layout physiological
// databases export, with an optional .info file naming each row's signal,
// gain, base and unit). Signals of a lower rate than the fastest are
// brought to its rate by linear interpolation and written at their own rate
// again through the montage's rate divisor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ImportedChannel {
    std::string label;
    std::string unit;
    int signalType = 0;          // PSG signal type code (0: none)
    int calEU = 1, calVU = 1;    // physical = digital x calEU / calVU
    int rateDivisor = 1;         // the channel's own rate = the recording's rate / rateDivisor
    std::vector<int16_t> samples;  // at the recording's rate
};

struct ImportedRecording {
    int rate = 0;                // samples per second of every channel as stored
    int year = 2000, month = 1, day = 1, hour = 22, minute = 0, second = 0;
    std::vector<ImportedChannel> channels;
};

// What the command line says of a MATLAB file without a .info beside it.
struct MatDescription {
    int rate = 0;
    std::string label = "EEG";
    std::string unit = "uV";
    int signalType = 4;
    int calEU = 1, calVU = 1;
    int digitalLow = 0, digitalHigh = 0;   // the source's converter limits, when known
};

// False with a reason in `error` when the file cannot be read as such.
bool ReadEdfRecording(const std::string& path, ImportedRecording* out, std::string* error);
bool ReadMatRecording(const std::string& path, const MatDescription& description, ImportedRecording* out,
                      std::string* error);

// The same from the file's bytes (and, for a matrix, the .info text, "" for
// none): no input may crash them or make them read outside the bytes.
bool ParseEdfRecording(const std::string& bytes, ImportedRecording* out, std::string* error);
bool ParseMatRecording(const std::string& bytes, const std::string& info, const MatDescription& description,
                       ImportedRecording* out, std::string* error);

// The PSG signal type of a signal by its label: EEG 4, EOG 5, EMG 6, ECG 7,
// flow 8, thorax 9, abdomen 10, SpO2 11, pressure 16, temperature 17,
// event 2, else 20 (other).
int SignalTypeOfLabel(const std::string& label);
