// Test helpers for the PSG writer: a description of one conversion run and
// a driver that feeds it through the writer in the order the converter
// uses (header, patient block, position levels, channel table, blocks of
// 60 seconds, finish), plus small file helpers.
#pragma once

#include "recfile/recfile.h"
#include "tests/support/test_files.h"   // ReadFile

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TestChannel {
    int source = 1;      // source channel number, from 1
    int type = 4;        // signal type code
    int divisor = 1;     // rate divisor: channel rate = sample rate / divisor
    std::string label;   // Shift-JIS
    std::string unit;    // Shift-JIS
    int32_t calEU = 100, calVU = 1000, offsetCAL = 0, offsetAD = 0;
    int32_t timeConstant = 300, lowFilter = 500, highFilter = 100, sensitivity = 1000, flags = 2;
};

struct TestLevel {
    int32_t centre, width;
    std::string label;
};

struct TestPatientField {
    int width, key;
    std::string text;
};

// An annotation added before the data (Shift-JIS text), and a stretch
// marked missing before the flush of block `block`.
struct TestAnnotation { double onset, duration; std::string text; };
struct TestMissing { int block; int32_t firstSample, samples; };

struct TestRun {
    int frameSeconds = 1;
    int sampleRate = 200;
    int sourceChannels = 4;
    int32_t lengthSamples = 200 * 130;  // 130 s: two full blocks and a partial one
    int32_t start[6] = {2024, 3, 7, 22, 15, 30};
    int hum = 50;
    std::string comment;
    std::vector<TestPatientField> patient;
    std::vector<TestChannel> channels;
    std::vector<TestLevel> levels;  // written for every position channel
    // Source sample `index` of source channel `source` (from 1).
    std::function<int16_t(int source, int64_t index)> sample;
    // Whether output channel `channel` is handed in block `block` (from 0); all when empty.
    std::function<bool(int block, int channel)> handed;
    std::vector<TestAnnotation> annotations;  // added after the position levels
    std::vector<TestMissing> missing;
};

struct TestResult {
    int created = 0, channelsWritten = 0, flushesOk = 1, finished = 0, failed = 0;
    int32_t totalFrames = 0;
    int flushes = 0;
    std::vector<int> added;  // RecAddAnnotation's answer for each of run.annotations
    int32_t leftOut = 0;     // RecAnnotationsLeftOut after the channel table
};

// A run with three output channels from four source channels (source 3 off):
// an EEG channel at full rate, an EOG channel with a Shift-JIS label at half
// rate, a position channel at a quarter rate with a three-level table.
TestRun DefaultRun();

// Writes `run` to `path`; finishes the file when `finish`, otherwise
// releases it as a cut-short run does.
TestResult WriteRun(const std::string& path, const TestRun& run, bool finish = true);

// Output samples the writer must produce for one record: the rounded group
// means (or first samples for position channels) of `source` over [0, s).
std::vector<int16_t> ExpectedRecord(const std::vector<int16_t>& source, int n, bool takeFirst);

// A fresh path in a temporary folder of this test run (removed at its end).
std::string TestPath(const std::string& name);
