// The SYSTEM frame keys and the PATIENT keys; see settings_load.h.
#include "engine/settings_load.h"

#include <cstring>

#include "engine/night_check.h"

#include "textkit/sjis_text.h"

namespace {

const char kSystem[] = "SYSTEM";
const char kPatient[] = "PATIENT";
// "新規" (new) and "かな" (kana) in Shift-JIS, spelled as bytes so that
// every build of this portable file, whatever its compiler's character set
// options, writes the same first-start patient.
const char kNewPatientName[] = "\x90V\x8BK";
const char kNewPatientKana[] = "\x82\xA9\x82\xC8";
const char kNewPatientId[] = "000-0001";

}  // namespace

void LoadFrameKeys(AppSettings& settings, const ProfileReader& profile) {
    settings.MaxCh = LimitMaxCh(profile.ReadInt(kSystem, "MaxCh", kMaxChDefault));
    settings.FrameTime = profile.ReadInt(kSystem, "FrameTime", kFrameTimeDefault);
    settings.TCType = Low16(profile.ReadInt(kSystem, "TCType", 0));
    settings.CalType = Low16(profile.ReadInt(kSystem, "CalType", 0));
}

void LoadExitQuestionKey(AppSettings& settings, const ProfileReader& profile) {
    settings.AskUnregistered = profile.ReadInt(kSystem, kExitQuestionKey, 0) != 0;
}

void LoadCheckNotesKey(AppSettings& settings, const ProfileReader& profile) {
    settings.CheckNotes = profile.ReadInt(kCheckRuleSection, kCheckNotesKey, 0) != 0;
}

namespace {

// The PATIENT keys, in the order the file stores them.
const char* const kPatientKeys[] = {"Height", "Weight", "AgeYear", "AgeMonth", "Year", "Month", "Day", "ID",
                                    "Name1", "Name2", "Sex", kDepartmentKey, "ReqDoctor", "Technician",
                                    "ReaderDoctor", "Hospital"};

bool Holds(const ProfileReader& profile, const char* key) {
    // No stored value starts with this control character.
    char value[4];
    profile.ReadText(kPatient, key, "\x01", value, sizeof value);
    return value[0] != '\x01';
}

// The first start's made-up patient (the page's defaults).
void LoadFirstStartPatient(PatientInfo& p) {
    SetUnknownPatient(p);
    p.height = 1600;
    p.weight = 60000;
    p.ageYears = 25;
    p.birthYear = 1950;
    p.birthMonth = 1;
    p.birthDay = 1;
    CopyText(p.id, sizeof p.id, kNewPatientId);
    CopyText(p.name, sizeof p.name, kNewPatientName);
    CopyText(p.kana, sizeof p.kana, kNewPatientKana);
    CopyText(p.sex, sizeof p.sex, "0");
    CopyText(p.hospital, sizeof p.hospital, "Sleep Center");
}

}  // namespace

int LoadPatientKeys(PatientInfo& p, const ProfileReader& profile, PatientKeysMissing missing) {
    int held = 0;
    for (const char* key : kPatientKeys) held += Holds(profile, key) ? 1 : 0;
    if (held == 0 && missing == kNoKeysFirstStart) {
        LoadFirstStartPatient(p);
        return 0;
    }
    // Every key not held stays unknown.
    SetUnknownPatient(p);
    p.height = profile.ReadInt(kPatient, "Height", 0);
    p.weight = profile.ReadInt(kPatient, "Weight", 0);
    p.ageYears = Low16(profile.ReadInt(kPatient, "AgeYear", 0));
    p.ageMonths = Low16(profile.ReadInt(kPatient, "AgeMonth", 0));
    if (Holds(profile, "Year") && Holds(profile, "Month") && Holds(profile, "Day")) {
        p.birthYear = Low16(profile.ReadInt(kPatient, "Year", 0));
        p.birthMonth = Low16(profile.ReadInt(kPatient, "Month", 0));
        p.birthDay = Low16(profile.ReadInt(kPatient, "Day", 0));
    }
    profile.ReadText(kPatient, "ID", "", p.id, sizeof p.id);
    profile.ReadText(kPatient, "Name1", "", p.name, sizeof p.name);
    profile.ReadText(kPatient, "Name2", "", p.kana, sizeof p.kana);
    profile.ReadText(kPatient, "Sex", "", p.sex, sizeof p.sex);
    profile.ReadText(kPatient, kDepartmentKey, "", p.department, sizeof p.department);
    profile.ReadText(kPatient, "ReqDoctor", "", p.requestingDoctor, sizeof p.requestingDoctor);
    profile.ReadText(kPatient, "Technician", "", p.technician, sizeof p.technician);
    profile.ReadText(kPatient, "ReaderDoctor", "", p.readingDoctor, sizeof p.readingDoctor);
    profile.ReadText(kPatient, "Hospital", "", p.hospital, sizeof p.hospital);
    return held;
}

bool IsFirstStartPatient(const PatientInfo& p) {
    return strncmp(p.id, kNewPatientId, sizeof p.id) == 0 && strncmp(p.name, kNewPatientName, sizeof p.name) == 0;
}

void SetUnknownPatient(PatientInfo& p) { memset(&p, 0, sizeof p); }
