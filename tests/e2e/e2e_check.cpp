// The native half of the end-to-end run: reads the PSG file the real
// program wrote under Wine with EDFlib and compares it with the generated
// recording sample for sample, with the sample montage (labels, units,
// signal types, physical ranges), the start time corrected on the source
// page and the patient entered on the patient page.
// Usage: e2e_check <PSG file>. Exit status 0 when everything matches.
#include <edflib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/e2e/e2e_plan.h"

namespace {

int failures = 0;

void Check(bool ok, const std::string& what) {
    if (ok) return;
    ++failures;
    std::fprintf(stderr, "e2e_check: %s\n", what.c_str());
}

std::string Trim(const char* text) {
    std::string s(text);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

void CheckSignal(int handle, const edf_hdr_struct& hdr, int j, const TaffGenOptions& o) {
    const edf_param_struct& sp = hdr.signalparam[j];
    const std::string label = Trim(sp.label), unit = Trim(sp.physdimension);
    const std::string name = "signal " + std::to_string(j + 1) + " (" + label + ")";
    const char* want = j == e2e::kEditedRow - 1 ? e2e::kEditedLabel : e2e::kLabels[j];
    Check(label.find(want) != std::string::npos, name + ": label lacks " + want);
    Check(unit == e2e::kUnits[j], name + ": unit \"" + unit + "\", want \"" + e2e::kUnits[j] + "\"");
    Check(sp.smp_in_datarecord == e2e::kFrameTime * o.rate, name + ": samples per record");
    if (j == e2e::kPositionChannel) Check(label.rfind("Position", 0) == 0, name + ": not a position signal");
    if (j < 4) Check(label.rfind("EEG", 0) == 0, name + ": not an EEG signal");
    // The physical range is the digital one through the channel's calibration
    // (channel 1: the imported CAL file's).
    const double perCount = j == 0 ? double(e2e::kCalEU) / e2e::kCalVU : double(e2e::kSampleEU[j]) / e2e::kSampleVU[j];
    Check(sp.dig_min == -32768 && sp.dig_max == 32767, name + ": digital range");
    Check(std::fabs(sp.phys_min + 32768.0 * perCount) < 0.01 && std::fabs(sp.phys_max - 32767.0 * perCount) < 0.01,
          name + ": physical range " + std::to_string(sp.phys_min) + ".." + std::to_string(sp.phys_max) +
              " is not its calibration's");
    std::vector<int> got(static_cast<size_t>(sp.smp_in_file));
    edfseek(handle, j, 0, EDFSEEK_SET);
    Check(edfread_digital_samples(handle, j, static_cast<int>(got.size()), got.data()) == int(got.size()),
          name + ": samples not readable");
    int bad = 0;
    for (int64_t k = 0; k < int64_t(got.size()) && k < o.scans && bad < 3; ++k) {
        const int want = TaffGenExpectedSample(o, j, k);
        if (got[size_t(k)] == want) continue;
        Check(false, name + ": sample " + std::to_string(k) + " is " + std::to_string(got[size_t(k)]) + ", want " +
                         std::to_string(want));
        ++bad;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: e2e_check <PSG file>\n");
        return 2;
    }
    edf_hdr_struct hdr;
    const int handle = edfopen_file_readonly(argv[1], &hdr, EDFLIB_READ_ALL_ANNOTATIONS);
    if (handle < 0) {
        std::fprintf(stderr, "e2e_check: EDFlib refuses %s (error %d)\n", argv[1], hdr.filetype);
        return 1;
    }
    TaffGenOptions o = e2e::Recording();
    o.scans = TaffGenScanCount(o);
    Check(hdr.edfsignals == 14, "signals: " + std::to_string(hdr.edfsignals));
    Check(hdr.datarecord_duration == e2e::kFrameTime * EDFLIB_TIME_DIMENSION, "record duration");
    Check(hdr.datarecords_in_file == (o.scans + e2e::kFrameTime * o.rate - 1) / (e2e::kFrameTime * o.rate),
          "records: " + std::to_string(hdr.datarecords_in_file));
    Check(hdr.startdate_year == o.year && hdr.startdate_month == o.month && hdr.startdate_day == o.day, "start date");
    Check(hdr.starttime_hour == e2e::kStartHour && hdr.starttime_minute == e2e::kStartMinute &&
              hdr.starttime_second == e2e::kStartSecond,
          "start time " + std::to_string(hdr.starttime_hour) + ":" + std::to_string(hdr.starttime_minute) + ":" +
              std::to_string(hdr.starttime_second) + " is not the corrected one");
    Check(Trim(hdr.patientcode) == e2e::kPatientId, std::string("patient code ") + hdr.patientcode);
    Check(std::strstr(hdr.patient_name, "Hanako") != nullptr, std::string("patient name ") + hdr.patient_name);
    for (int j = 0; j < hdr.edfsignals && j < 14; ++j) CheckSignal(handle, hdr, j, o);
    edfclose_file(handle);
    if (failures == 0) std::printf("e2e_check: %s matches the recording, the montage and the entries\n", argv[1]);
    return failures == 0 ? 0 : 1;
}
