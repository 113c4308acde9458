// The program-wide values outside ConverterState.
#include "app/app_globals.h"

AppGlobals g_app;
