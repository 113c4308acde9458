// Reading and writing the settings and the last patient's details. Writes
// go through a checked copy of the file (ProfileBatch): a write that fails
// leaves the previous file whole and the save reports failure.
#include "app/settings.h"

#include "pagekit/profile.h"

namespace {

const char kSystem[] = "SYSTEM";
const char kInitial[] = "INITIAL";
const char kPatient[] = "PATIENT";

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
    settings.MaxCh = LimitMaxCh(ReadProfileInt(kSystem, "MaxCh", kMaxChDefault, settingsPath));
    settings.FrameTime = ReadProfileInt(kSystem, "FrameTime", kFrameTimeDefault, settingsPath);
    settings.TCType = Low16(ReadProfileInt(kSystem, "TCType", 0, settingsPath));
    settings.CalType = Low16(ReadProfileInt(kSystem, "CalType", 0, settingsPath));
}

void LoadFileSettings(AppSettings& settings, const char* settingsPath) {
    ReadProfileText(kSystem, "OrgFile", "", settings.OrgFile, sizeof settings.OrgFile, settingsPath);
    ReadProfileText(kSystem, "CopyFile", "", settings.CopyFile, sizeof settings.CopyFile, settingsPath);
    settings.SaveEnable = Low16(ReadProfileInt(kSystem, "SaveEnable", 1, settingsPath));
}

void LoadPatientSettings(PatientInfo& p, const char* path) {
    p.height = ReadProfileInt(kPatient, "Height", 1600, path);
    p.weight = ReadProfileInt(kPatient, "Weight", 60000, path);
    p.ageYears = Low16(ReadProfileInt(kPatient, "AgeYear", 25, path));
    p.ageMonths = Low16(ReadProfileInt(kPatient, "AgeMonth", 0, path));
    p.birthYear = Low16(ReadProfileInt(kPatient, "Year", 1950, path));
    p.birthMonth = Low16(ReadProfileInt(kPatient, "Month", 1, path));
    p.birthDay = Low16(ReadProfileInt(kPatient, "Day", 1, path));
    ReadProfileText(kPatient, "ID", "000-0001", p.id, sizeof p.id, path);
    ReadProfileText(kPatient, "Name1", "新規", p.name, sizeof p.name, path);
    ReadProfileText(kPatient, "Name2", "かな", p.kana, sizeof p.kana, path);
    ReadProfileText(kPatient, "Sex", "0", p.sex, sizeof p.sex, path);
    ReadProfileText(kPatient, "Departmemt", "", p.department, sizeof p.department, path);
    ReadProfileText(kPatient, "ReqDoctor", "", p.requestingDoctor, sizeof p.requestingDoctor, path);
    ReadProfileText(kPatient, "Technician", "", p.technician, sizeof p.technician, path);
    ReadProfileText(kPatient, "ReaderDoctor", "", p.readingDoctor, sizeof p.readingDoctor, path);
    ReadProfileText(kPatient, "Hospital", "Sleep Center", p.hospital, sizeof p.hospital, path);
}

bool SaveSystemSettings(const AppSettings& s, const char* path) {
    ProfileBatch b(path);
    b.Unsigned(kSystem, "MaxCh", s.MaxCh);
    b.Signed(kSystem, "FrameTime", s.FrameTime);
    b.Unsigned(kSystem, "SaveEnable", s.SaveEnable);
    b.Unsigned(kSystem, "TCType", s.TCType);
    b.Unsigned(kSystem, "CalType", s.CalType);
    b.Text(kSystem, "OrgFile", s.OrgFile);
    b.Text(kSystem, "CopyFile", s.CopyFile);
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
    b.Text(kPatient, "Departmemt", p.department);
    b.Text(kPatient, "ReqDoctor", p.requestingDoctor);
    b.Text(kPatient, "Technician", p.technician);
    b.Text(kPatient, "ReaderDoctor", p.readingDoctor);
    return b.Commit();
}
