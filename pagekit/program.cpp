// The program-wide values; see program.h.
#include "pagekit/program.h"

ProgramContext g_program;

std::string ProgramText(int id) {
    char text[512] = "";
    const int length = LoadStringA(g_program.instance, static_cast<UINT>(id), text, sizeof text);
    return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string ShownText(const std::string& utf8) {
    if (utf8.empty()) return "";
    const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (wide <= 0) return "";
    std::wstring text(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &text[0], wide);
    const int narrow = WideCharToMultiByte(932, 0, text.data(), wide, nullptr, 0, "?", nullptr);
    if (narrow <= 0) return "";
    std::string out(static_cast<size_t>(narrow), '\0');
    WideCharToMultiByte(932, 0, text.data(), wide, &out[0], narrow, "?", nullptr);
    return out;
}
