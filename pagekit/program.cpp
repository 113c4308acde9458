// The program-wide values; see program.h.
#include "pagekit/program.h"

ProgramContext g_program;

std::string ProgramText(int id) {
    char text[512] = "";
    const int length = LoadStringA(g_program.instance, static_cast<UINT>(id), text, sizeof text);
    return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}
