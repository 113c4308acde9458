// Showing the help: the help file or the bundled page (at a section), and a
// warning naming the help file's path when nothing can show it.
#pragma once

#include <windows.h>

// Opens the help over `owner`, at `section` of the bundled page (null: its
// top). Warns with the path when nothing could be started.
void ShowHelp(HWND owner, const char* section);

// The warning that nothing can show the help, with the help file's path.
void WarnHelpNotShown(HWND owner);
