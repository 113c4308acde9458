// The night check's words as the window program shows them: the names of
// the checks, levels, verdicts and kinds of signal from the string table, and
// the findings' notes in Japanese (the engine's table of notes, in the
// program's code page). The check window and the preview's hints share them.
#pragma once

#include <string>

#include "engine/night_check.h"

std::string KindText(CheckKind kind);
std::string LevelText(CheckLevel level);
std::string VerdictText(CheckVerdict verdict);
// A kind of signal as the check names it ("EEG", "airflow"): the
// abbreviations (EEG, SpO2) kept, the others named in Japanese.
std::string SignalText(const char* kind);
std::string NoteText(const char* note);
