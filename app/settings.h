// The settings file (section SYSTEM and INITIAL of \COND\MORLEX.INI) and the
// last patient's details (section PATIENT of \COND\PATIENT.INF): read by the
// main window's creation, written by its destruction. Missing files, keys or
// folders give the defaults. A save that cannot be written whole leaves the
// file as it was and returns false (nothing is shown: the program is closing).
#pragma once

#include "engine/app_settings.h"
#include "engine/patient_info.h"

// INITIAL/Debug: non-zero turns on debug mode.
int ReadDebugSetting(const char* settingsPath);
// SYSTEM/RefCount: reads it, writes it back increased by one, returns the new count.
int CountStart(const char* settingsPath);
// MaxCh (limited to 1..32), FrameTime (kept as read), TCType, CalType.
void LoadFrameSettings(AppSettings& settings, const char* settingsPath);
// OrgFile, CopyFile, SaveEnable.
void LoadFileSettings(AppSettings& settings, const char* settingsPath);
// The option keys of SYSTEM: the identity options and the exit question.
void LoadOptionSettings(AppSettings& settings, const char* settingsPath);
// The PATIENT keys.
void LoadPatientSettings(PatientInfo& patient, const char* patientPath);

// Writes the SYSTEM keys in their order; false when the file was left as it was.
bool SaveSystemSettings(const AppSettings& settings, const char* settingsPath);
// Writes the option keys of SYSTEM at once (an option dialog's OK); false
// when the file was left as it was.
bool SaveOptionSettings(const AppSettings& settings, const char* settingsPath);
// Writes PATIENT/Hospital at once (the facility dialog's OK), whether or
// not the other PATIENT keys are saved at exit.
bool SaveFacilitySetting(const PatientInfo& patient, const char* patientPath);
// Writes the PATIENT keys in their order; false when the file was left as it was.
bool SavePatientSettings(const PatientInfo& patient, const char* patientPath);
