// Names of the recorder's signal types and their EDF+ label type texts.
#include "recfile/rec_types.h"

namespace {

struct TypeEntry {
    const char* name;      // null: the type has no name
    const char* edfText;   // start of the EDF label
};

// Indexed by signal type code 0..20.
const TypeEntry kTypes[] = {
    {"---", ""},            // 0: no type
    {nullptr, ""},          // 1: unused code
    {"Mark", "Event"},      // 2
    {"DC", "DC"},           // 3
    {"EEG", "EEG"},         // 4
    {"EOG", "EOG"},         // 5
    {"EMG", "EMG"},         // 6
    {"ECG", "ECG"},         // 7
    {"Flow", "Resp"},       // 8
    {"Thorax", "Resp"},     // 9
    {"Abdomen", "Resp"},    // 10
    {"SpO2", "SaO2"},       // 11
    {"Pulse", "Pulse"},     // 12
    {"Snore", "Sound"},     // 13
    {"LegEMG", "EMG"},      // 14
    {"Position", "Position"},  // 15
    {"Pressure", "Pressure"},  // 16
    {"Temp", "Temp"},       // 17
    {"Light", "Light"},     // 18
    {"pH", "pH"},           // 19
    {"Other", "Other"},     // 20
};
const int kTypeCount = static_cast<int>(sizeof(kTypes) / sizeof(kTypes[0]));

}  // namespace

const char* RecSignalTypeName(int type) {
    return (type >= 0 && type < kTypeCount) ? kTypes[type].name : nullptr;
}

const char* RecEdfTypeText(int type) {
    return (type >= 0 && type < kTypeCount) ? kTypes[type].edfText : "";
}
