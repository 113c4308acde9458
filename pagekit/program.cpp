// The program-wide values; see program.h.
#include "pagekit/program.h"

ProgramContext g_program;
