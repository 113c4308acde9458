// Fuzz target: a settings or patient file's bytes read by the one
// settings-file reader, then by the load rules the batch converter and the
// calibration import read through it, and the night check's rule set. Checks that every text stays
// terminated inside its field, that the file read with CR, LF or CR LF line
// ends gives the same answers, and that no value read lies outside its
// buffer.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/cal_rules.h"
#include "engine/ini_file.h"
#include "engine/night_check.h"
#include "engine/pattern_load.h"
#include "engine/pattern_rules.h"
#include "engine/settings_load.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

template <size_t N>
void Terminated(const char (&text)[N]) {
    Check(memchr(text, 0, N) != nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 8192) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);   // copied: no terminator read
    IniFile ini;
    ini.Parse(text.data(), text.size());

    static AppSettings settings;
    settings = AppSettings{};
    LoadFrameKeys(settings, ini);
    Terminated(settings.OrgFile);
    static MontagePattern patterns[kPatternCount];
    SetChannelStartupDefaults(patterns);
    for (int slot = 0; slot < kPatternCount; ++slot) LoadPatternSection(patterns[slot], slot, ini);
    for (const MontagePattern& p : patterns) {
        Terminated(p.name);
        for (const ChannelSetting& c : p.channels) {
            Terminated(c.label);
            Terminated(c.unit);
        }
    }
    static PatientInfo patient;
    patient = PatientInfo{};
    LoadPatientKeys(patient, ini);
    Terminated(patient.id);
    Terminated(patient.name);
    Terminated(patient.technician);
    Terminated(patient.hospital);

    // The night check's rule set: read, then parsed; a text it accepts
    // names at least one kind and a sensible number of hours.
    const CheckRuleSet rules = LoadCheckRuleSet(ini);
    uint32_t kinds = 0;
    double hours = 0;
    if (ParseCheckRuleSet(rules, &kinds, &hours) && !rules.text.empty())
        Check((kinds != 0 && hours >= 0 && hours <= 1000) || rules.text.find(">=") == std::string::npos);

    // Line ends do not matter: LF everywhere read as CR and as CR LF.
    if (text.find('\r') == std::string::npos) {
        std::string cr = text, crlf;
        std::replace(cr.begin(), cr.end(), '\n', '\r');
        for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        IniFile a, b;
        a.Parse(cr.data(), cr.size());
        b.Parse(crlf.data(), crlf.size());
        Check(a.SectionCount() == ini.SectionCount() && b.SectionCount() == ini.SectionCount());
        char x[64], y[64], z[64];
        ini.ReadText("SYSTEM", "FrameTime", "", x, sizeof x);
        a.ReadText("SYSTEM", "FrameTime", "", y, sizeof y);
        b.ReadText("SYSTEM", "FrameTime", "", z, sizeof z);
        Check(strcmp(x, y) == 0 && strcmp(x, z) == 0);
    }
    // The calibration file reads the same bytes through the same reader.
    IniText cal(text.data(), text.size());
    char saveTime[3];
    Check(cal.ReadText("CALINFO", "SaveTime", saveTime, sizeof saveTime) <= 2);
    return 0;
}
