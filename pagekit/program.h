// The few program-wide values every page may read: the program instance and
// the paths of the program's folder and files. Set once by the main window's
// creation; the working record is never reached through them.
#pragma once

#include <windows.h>

#include <string>

#include "engine/source_info.h"

struct ProgramContext {
    HINSTANCE instance;
    char programDir[kPathSize];     // without a trailing backslash
    char settingsPath[kPathSize];   // \COND\MORLEX.INI
    char helpPath[kPathSize];       // \HELP\MORLEX.HLP
    char patientPath[kPathSize];    // \COND\PATIENT.INF
};

extern ProgramContext g_program;

// Text `id` of the program's string table (Shift-JIS), "" when it has none.
// Texts are cut at 511 bytes.
std::string ProgramText(int id);

// A UTF-8 text (the engine's texts for people) in the program's code page
// (Shift-JIS); a character the code page lacks becomes "?".
std::string ShownText(const std::string& utf8);
