// Reading and writing the settings and the last patient's details.
#include "app/settings.h"

#include "engine/settings_load.h"
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
    LoadFrameKeys(settings, PrivateProfile(settingsPath));
}

void LoadFileSettings(AppSettings& settings, const char* settingsPath) {
    ReadProfileText(kSystem, "OrgFile", "", settings.OrgFile, sizeof settings.OrgFile, settingsPath);
    ReadProfileText(kSystem, "CopyFile", "", settings.CopyFile, sizeof settings.CopyFile, settingsPath);
    settings.SaveEnable = Low16(ReadProfileInt(kSystem, "SaveEnable", 1, settingsPath));
}

void LoadPatientSettings(PatientInfo& p, const char* path) { LoadPatientKeys(p, PrivateProfile(path)); }

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
