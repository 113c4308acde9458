// Showing the help; see help.h.
#include "pagekit/help.h"

#include <cstdio>

#include "pagekit/program.h"
#include "pagekit/ui_seam.h"
#include "resources/resource_ids.h"

namespace {

void HtmlPage(char* page, size_t size, const char* section) {
    snprintf(page, size, "%s\\HELP\\index.html%s%s", g_program.programDir, section ? "#" : "", section ? section : "");
}

}  // namespace

void WarnHelpNotShown(HWND owner) {
    char format[256] = "";
    LoadStringA(g_program.instance, IDS_HELP_NO_VIEWER, format, sizeof format);
    char page[kPathSize + 16];
    HtmlPage(page, sizeof page, nullptr);
    char text[sizeof format + sizeof page];
    snprintf(text, sizeof text, format, page);
    Ui().messageBox(owner, text, "警告", MB_OK | MB_ICONWARNING);
}

void ShowHelp(HWND owner, const char* section) {
    char page[kPathSize + 32];
    HtmlPage(page, sizeof page, section);
    if (!Ui().openHelp(owner, g_program.helpPath, page)) WarnHelpNotShown(owner);
}
