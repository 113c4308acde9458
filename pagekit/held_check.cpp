#include "pagekit/held_check.h"

COLORREF CheckLevelColour(CheckLevel level) {
    switch (level) {
    case CheckLevel::Fail: return RGB(232, 96, 96);
    case CheckLevel::Warn: return RGB(240, 192, 64);
    case CheckLevel::Info: break;
    }
    return RGB(128, 170, 230);
}
