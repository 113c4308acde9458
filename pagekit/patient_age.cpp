// The patient's age on the night; see patient_age.h.
#include "pagekit/patient_age.h"

#include "engine/patient_rules.h"

bool RecomputePatientAge(ConverterState& state) {
    SYSTEMTIME today;
    GetLocalTime(&today);
    PatientInfo& p = state.patient;
    const SourceInfo& s = state.source;
    return AgeAtRecording(p.birthYear, p.birthMonth, s.sourceKind == kSourceTaff, s.startYear, s.startMonth,
                          today.wYear, today.wMonth, &p.ageYears, &p.ageMonths);
}
