// Reading and writing the settings and the last patient's details. Writes
// go through a checked copy of the file (ProfileBatch): a write that fails
// leaves the previous file whole and the save reports failure.
#include "app/settings.h"

#include "engine/identity_rules.h"
#include "engine/night_check.h"
#include "engine/settings_load.h"
#include "pagekit/profile.h"

namespace {

const char kSystem[] = "SYSTEM";
const char kInitial[] = "INITIAL";
const char kPatient[] = "PATIENT";

// The identity options, the exit question, then whether the night check's
// findings go into the PSG file.
void PutOptionKeys(ProfileBatch& b, const AppSettings& s) {
    for (const auto& kv : OptionKeyTexts(s)) b.Text(kSystem, kv.first.c_str(), kv.second.c_str());
    b.Unsigned(kSystem, kExitQuestionKey, s.AskUnregistered ? 1 : 0);
    b.Unsigned(kCheckRuleSection, kCheckNotesKey, s.CheckNotes ? 1 : 0);
}

}  // namespace

int ReadDebugSetting(const char* settingsPath) {
    return ReadProfileInt(kInitial, "Debug", 0, settingsPath);
}

int CountStart(const char* settingsPath) {
    int count = ReadProfileInt(kSystem, "RefCount", 0, settingsPath) + 1;
    ProfileBatch batch(settingsPath);
    batch.Signed(kSystem, "RefCount", count);
    batch.Commit();
    return count;
}

void LoadFrameSettings(AppSettings& settings, const char* settingsPath) {
    LoadFrameKeys(settings, PrivateProfile(settingsPath));
}

void LoadFileSettings(AppSettings& settings, const char* settingsPath) {
    ReadProfileText(kSystem, "OrgFile", "", settings.OrgFile, sizeof settings.OrgFile, settingsPath);
    ReadProfileText(kSystem, "CopyFile", "", settings.CopyFile, sizeof settings.CopyFile, settingsPath);
    settings.SaveEnable = Low16(ReadProfileInt(kSystem, "SaveEnable", 1, settingsPath));
}

void LoadOptionSettings(AppSettings& settings, const char* settingsPath) {
    LoadOptionKeys(settings, PrivateProfile(settingsPath));
    LoadExitQuestionKey(settings, PrivateProfile(settingsPath));
    LoadCheckNotesKey(settings, PrivateProfile(settingsPath));
}

void LoadPatientSettings(PatientInfo& p, const char* path) { LoadPatientKeys(p, PrivateProfile(path), kNoKeysFirstStart); }

bool SaveSystemSettings(const AppSettings& s, const char* path) {
    ProfileBatch b(path);
    b.Unsigned(kSystem, "MaxCh", s.MaxCh);
    b.Signed(kSystem, "FrameTime", s.FrameTime);
    b.Unsigned(kSystem, "SaveEnable", s.SaveEnable);
    b.Unsigned(kSystem, "TCType", s.TCType);
    b.Unsigned(kSystem, "CalType", s.CalType);
    b.Text(kSystem, "OrgFile", s.OrgFile);
    b.Text(kSystem, "CopyFile", s.CopyFile);
    PutOptionKeys(b, s);
    return b.Commit();
}

bool SaveOptionSettings(const AppSettings& s, const char* path) {
    ProfileBatch b(path);
    PutOptionKeys(b, s);
    return b.Commit();
}

bool SaveFacilitySetting(const PatientInfo& p, const char* path) {
    ProfileBatch b(path);
    b.Text(kPatient, "Hospital", p.hospital);
    return b.Commit();
}

bool SavePatientSettings(const PatientInfo& p, const char* path) {
    ProfileBatch b(path);
    b.Signed(kPatient, "Height", p.height);
    b.Signed(kPatient, "Weight", p.weight);
    b.Unsigned(kPatient, "AgeYear", p.ageYears);
    b.Unsigned(kPatient, "AgeMonth", p.ageMonths);
    b.Unsigned(kPatient, "Year", p.birthYear);
    b.Unsigned(kPatient, "Month", p.birthMonth);
    b.Unsigned(kPatient, "Day", p.birthDay);
    b.Text(kPatient, "ID", p.id);
    b.Text(kPatient, "Name1", p.name);
    b.Text(kPatient, "Name2", p.kana);
    b.Text(kPatient, "Sex", p.sex);
    b.Text(kPatient, "Hospital", p.hospital);
    b.Text(kPatient, kDepartmentKey, p.department);
    b.Text(kPatient, "ReqDoctor", p.requestingDoctor);
    b.Text(kPatient, "Technician", p.technician);
    b.Text(kPatient, "ReaderDoctor", p.readingDoctor);
    return b.Commit();
}
