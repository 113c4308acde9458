// The SYSTEM frame keys and the PATIENT keys; see settings_load.h.
#include "engine/settings_load.h"

#include <cstring>

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

void LoadPatientKeys(PatientInfo& p, const ProfileReader& profile) {
    p.height = profile.ReadInt(kPatient, "Height", 1600);
    p.weight = profile.ReadInt(kPatient, "Weight", 60000);
    p.ageYears = Low16(profile.ReadInt(kPatient, "AgeYear", 25));
    p.ageMonths = Low16(profile.ReadInt(kPatient, "AgeMonth", 0));
    p.birthYear = Low16(profile.ReadInt(kPatient, "Year", 1950));
    p.birthMonth = Low16(profile.ReadInt(kPatient, "Month", 1));
    p.birthDay = Low16(profile.ReadInt(kPatient, "Day", 1));
    profile.ReadText(kPatient, "ID", kNewPatientId, p.id, sizeof p.id);
    profile.ReadText(kPatient, "Name1", kNewPatientName, p.name, sizeof p.name);
    profile.ReadText(kPatient, "Name2", kNewPatientKana, p.kana, sizeof p.kana);
    profile.ReadText(kPatient, "Sex", "0", p.sex, sizeof p.sex);
    profile.ReadText(kPatient, kDepartmentKey, "", p.department, sizeof p.department);
    profile.ReadText(kPatient, "ReqDoctor", "", p.requestingDoctor, sizeof p.requestingDoctor);
    profile.ReadText(kPatient, "Technician", "", p.technician, sizeof p.technician);
    profile.ReadText(kPatient, "ReaderDoctor", "", p.readingDoctor, sizeof p.readingDoctor);
    profile.ReadText(kPatient, "Hospital", "Sleep Center", p.hospital, sizeof p.hospital);
}

bool IsFirstStartPatient(const PatientInfo& p) {
    return strncmp(p.id, kNewPatientId, sizeof p.id) == 0 && strncmp(p.name, kNewPatientName, sizeof p.name) == 0;
}

void SetUnknownPatient(PatientInfo& p) { memset(&p, 0, sizeof p); }
