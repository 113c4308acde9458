// Signal types of the recorder's channel table: their names, and the EDF+
// standard type text that starts a signal's label in the PSG file.
#pragma once

// Name of signal type `type` (0 and 2..20), or null when it has none.
const char* RecSignalTypeName(int type);

// Type text that starts the EDF label of a signal of `type`: the EDF+
// standard text where one fits (EEG, EOG, EMG, ECG, Resp, SaO2, Temp,
// Light, Sound, Event), otherwise the type's name; "" for type 0 (no type)
// and for types without a name.
const char* RecEdfTypeText(int type);
