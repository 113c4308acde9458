// The patient and examination record written into the PSG file's patient
// block. Texts are zero-terminated Shift-JIS; sizes include the terminator.
#pragma once

#include <cstdint>

enum {
    kPatientIdSize = 20, kPatientNameSize = 32, kSexSize = 4,
    kDepartmentSize = 40, kStaffNameSize = 32, kMedicationSize = 80,
    kHospitalSize = 80, kCommentCount = 5, kCommentSize = 128
};

struct PatientInfo {
    uint16_t birthYear, birthMonth, birthDay;
    uint16_t ageYears, ageMonths;
    int32_t height;         // tenths of a centimetre
    int32_t weight;         // grams
    char id[kPatientIdSize];
    char name[kPatientNameSize];
    char kana[kPatientNameSize];
    char sex[kSexSize];     // "0", "M" or "F"
    char department[kDepartmentSize];
    char requestingDoctor[kStaffNameSize];
    char technician[kStaffNameSize];
    char readingDoctor[kStaffNameSize];
    char medication[kMedicationSize];
    char hospital[kHospitalSize];   // facility name, also in the caption
    char comments[kCommentCount][kCommentSize];
};
