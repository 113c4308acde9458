// Reading and writing the settings and the last patient's details.
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
    WriteProfileSigned(kSystem, "RefCount", count, settingsPath);
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

void SaveSystemSettings(const AppSettings& s, const char* path) {
    WriteProfileUnsigned(kSystem, "MaxCh", s.MaxCh, path);
    WriteProfileSigned(kSystem, "FrameTime", s.FrameTime, path);
    WriteProfileUnsigned(kSystem, "SaveEnable", s.SaveEnable, path);
    WriteProfileUnsigned(kSystem, "TCType", s.TCType, path);
    WriteProfileUnsigned(kSystem, "CalType", s.CalType, path);
    WriteProfileText(kSystem, "OrgFile", s.OrgFile, path);
    WriteProfileText(kSystem, "CopyFile", s.CopyFile, path);
}

void SavePatientSettings(const PatientInfo& p, const char* path) {
    WriteProfileSigned(kPatient, "Height", p.height, path);
    WriteProfileSigned(kPatient, "Weight", p.weight, path);
    WriteProfileUnsigned(kPatient, "AgeYear", p.ageYears, path);
    WriteProfileUnsigned(kPatient, "AgeMonth", p.ageMonths, path);
    WriteProfileUnsigned(kPatient, "Year", p.birthYear, path);
    WriteProfileUnsigned(kPatient, "Month", p.birthMonth, path);
    WriteProfileUnsigned(kPatient, "Day", p.birthDay, path);
    WriteProfileText(kPatient, "ID", p.id, path);
    WriteProfileText(kPatient, "Name1", p.name, path);
    WriteProfileText(kPatient, "Name2", p.kana, path);
    WriteProfileText(kPatient, "Sex", p.sex, path);
    WriteProfileText(kPatient, "Hospital", p.hospital, path);
    WriteProfileText(kPatient, "Departmemt", p.department, path);
    WriteProfileText(kPatient, "ReqDoctor", p.requestingDoctor, path);
    WriteProfileText(kPatient, "Technician", p.technician, path);
    WriteProfileText(kPatient, "ReaderDoctor", p.readingDoctor, path);
}
