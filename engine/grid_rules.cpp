// Montage grid rules; see grid_rules.h.
#include "engine/grid_rules.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/app_settings.h"
#include "engine/psg_header.h"
#include "recfile/recfile.h"
#include "textkit/number_parse.h"
#include "textkit/sjis_text.h"

namespace {

// x ranges of the fixed columns "CH" to "Rate", from the inner left edge.
const int kFixedCells[5][2] = {{0, 26}, {28, 87}, {88, 147}, {148, 247}, {248, 307}};
const int kFlexStart = 308;         // first flexible column, from the inner left edge
const int kFlexCount = 6;
const int kFlexMinimum = 32;        // narrowest flexible column at 96 pixels per inch
const int kPlainDpi = 96;

// A width of the plain (96 pixels per inch) layout at the layout's scale.
int Scaled(const GridLayout& layout, int x) { return x * layout.scale / kPlainDpi; }

// The float nearest 0.001 and the float nearest 2 pi, taken as doubles:
// the grid shows and couples its thousandths with these factors.
const double kThousandth = static_cast<double>(0.001f);
const double kTwoPi = static_cast<double>(6.2831855f);

const char* const kTitles[kGridColumnCount] = {"CH",   "ON/OFF", "Type", "Label", "Rate", "CAL",
                                               "AD",   "Sens",   "LFF",  "HFF",   "Unit"};

const int kRateDivisors[] = {1, 2, 4, 5, 10, 20, 50};
const int kRateChoices = 7;
const int kCalValues[] = {10, 20, 30, 40, 50, 100, 200, 500, 1000};
const char* const kCalTexts[] = {"  10", "  20", "  30", "  40", "  50", " 100", " 200", " 500", "1000"};
const int kCalChoices = 9;
const int kOnOffChoices = 2;
const int kLastTypeIndex = 20;
const int kUnusedTypeIndex = 1;

struct AdChoice {
    const char* text;
    int32_t value;
};
const AdChoice kAd8[] = {{"  25 (1/10)", 25}, {"  51 (1/5) ", 51}, {"  64 (1/4) ", 64},
                         {" 128 (1/2) ", 128}, {" 256 (1/1) ", 256}};
const AdChoice kAd12[] = {{"  102 (1/40)", 102}, {"  205 (1/20)", 205}, {"  410 (1/10)", 410},
                          {"  819 (1/5) ", 819}, {" 1024 (1/4) ", 1024}, {" 2048 (1/2) ", 2048},
                          {" 4096 (1/1) ", 4096}};
const AdChoice kAd16[] = {{"   164 (1/400)", 164}, {"   328 (1/200)", 328}, {"   655 (1/100)", 655},
                          {"  1311 (1/50)", 1311},  {"  1638 (1/40)", 1638},  {"  3276 (1/20)", 3276},
                          {"  6554 (1/10)", 6554},  {" 13107 (1/5) ", 13107}, {" 16384 (1/4) ", 16384},
                          {" 32768 (1/2) ", 32768}, {" 65536 (1/1) ", 65536}};

// The AD choices of a resolution; none for any but 8, 12 and 16 bits.
const AdChoice* AdChoices(int32_t bits, int* count) {
    *count = 0;
    if (bits == 8) *count = 5;
    if (bits == 12) *count = 7;
    if (bits == 16) *count = 11;
    return bits == 8 ? kAd8 : bits == 12 ? kAd12 : bits == 16 ? kAd16 : nullptr;
}

// The filter field column 8 shows and edits, and the coupled one.
int32_t ChannelSetting::*ShownFilter(uint16_t tcType) {
    return tcType ? &ChannelSetting::timeConstant : &ChannelSetting::lowFilter;
}
int32_t ChannelSetting::*CoupledField(uint16_t tcType) {
    return tcType ? &ChannelSetting::lowFilter : &ChannelSetting::timeConstant;
}

// The name of a signal type, empty for a code the PSG writer does not name.
bool TypeName(int32_t type, char* out, int size) {
    out[0] = '\0';
    if (type < 0 || type > 0xFFFF) return false;
    return RecTypeName(static_cast<uint16_t>(type), out, size) != 0;
}

int32_t Saturate(double value) {
    if (std::isnan(value)) return 0;    // cannot come from the parser; never undefined
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

bool RateOffered(int index, int32_t sampleRate) {
    return index >= 0 && index < kRateChoices && RateDivisorFits(sampleRate, kRateDivisors[index]);
}

bool TypeOffered(int index) {
    char name[kGridTextSize];
    return index >= 0 && index <= kLastTypeIndex && index != kUnusedTypeIndex && TypeName(index, name, sizeof name);
}

void AddChoice(GridChoiceMenu& menu, int index, const char* text) {
    if (menu.count >= kGridChoiceMax) return;
    GridChoice& item = menu.items[menu.count++];
    item.index = index;
    CopyText(item.text, sizeof item.text, text);
}

void AddTypeChoices(GridChoiceMenu& menu) {
    for (int t = 0; t <= kLastTypeIndex; ++t) {
        char name[128];
        if (t != kUnusedTypeIndex && TypeName(t, name, sizeof name)) AddChoice(menu, t, name);
    }
}

void AddRateChoices(GridChoiceMenu& menu, const ChannelSetting* row, int32_t sampleRate) {
    for (int i = 0; i < kRateChoices; ++i) {
        if (!RateOffered(i, sampleRate)) continue;
        if (row && row->rateDivisor == kRateDivisors[i]) menu.checked = menu.count;
        char text[16];
        snprintf(text, sizeof text, "%i", static_cast<int>(sampleRate / kRateDivisors[i]));
        AddChoice(menu, i, text);
    }
}

// One choice applied to one channel; false when the menu has no such item.
bool ApplyToChannel(ChannelSetting& ch, const MontagePattern& pattern, int column, int i, const GridView& view) {
    int adCount = 0;
    const AdChoice* ad = AdChoices(view.bitsPerSample, &adCount);
    switch (column) {
    case kGridColOnOff:
        if (i < 0 || i >= kOnOffChoices) return false;
        ch.enabled = i;
        return true;
    case kGridColType:
        if (!TypeOffered(i)) return false;
        ch.signalType = i;
        return true;
    case kGridColLabel:
        if (i < 0 || i >= kLabelChoices) return false;
        CopyText(ch.label, sizeof ch.label, FieldString(pattern.labelChoices[i]).c_str());
        return true;
    case kGridColRate:
        if (!RateOffered(i, view.sampleRate)) return false;
        ch.rateDivisor = kRateDivisors[i];
        return true;
    case kGridColCal:
    case kGridColSens:
        if (i < 0 || i >= kCalChoices) return false;
        if (column == kGridColCal) ch.calEU = kCalValues[i];
        else ch.sensitivity = 1000 * kCalValues[i];
        return true;
    case kGridColAd:
        if (i < 0 || i >= adCount) return false;
        ch.calVU = ad[i].value;
        return true;
    case kGridColUnit:
        if (i < 0 || i >= kUnitChoices) return false;
        CopyText(ch.unit, sizeof ch.unit, FieldString(pattern.unitChoices[i]).c_str());
        return true;
    default:
        return false;
    }
}

}  // namespace

GridLayout LayoutGrid(int clientWidth, int clientHeight, int maxCh, int dpi) {
    GridLayout layout;
    layout.left = 2;
    layout.top = 2;
    layout.right = clientWidth - 2;
    layout.bottom = clientHeight - 2;
    layout.height = layout.bottom - layout.top + 1;
    layout.rows = LimitMaxCh(maxCh);
    layout.scale = dpi < kPlainDpi / 4 ? kPlainDpi / 4 : dpi > 8 * kPlainDpi ? 8 * kPlainDpi : dpi;
    // Too narrow for the scaled columns: the fixed ones shrink with the room.
    const int inner = layout.right - layout.left;
    const int needed = kFlexStart + kFlexCount * kFlexMinimum;
    if (inner * kPlainDpi < needed * layout.scale) layout.scale = inner > 0 ? inner * kPlainDpi / needed : 1;
    if (layout.scale < 1) layout.scale = 1;
    return layout;
}

int GridMinimumWidth(int dpi) {
    if (dpi < 1) dpi = kPlainDpi;
    const int needed = kFlexStart + kFlexCount * kFlexMinimum;
    return 4 + (needed * dpi + kPlainDpi - 1) / kPlainDpi;
}

int GridMinimumHeight(int maxCh, int textHeight) {
    if (textHeight < 1) textHeight = 1;
    return 4 + (LimitMaxCh(maxCh) + 1) * (textHeight + 1);
}

GridBox GridRowBand(const GridLayout& layout, int row) {
    const int n = layout.rows + 1;
    return GridBox{layout.left, layout.top + row * layout.height / n, layout.right, layout.top + (row + 1) * layout.height / n - 1};
}

GridBox GridCell(const GridLayout& layout, int column, int row) {
    GridBox box = GridRowBand(layout, row);
    if (column >= 0 && column < 5) {
        box.left = layout.left + Scaled(layout, kFixedCells[column][0]);
        box.right = layout.left + Scaled(layout, kFixedCells[column][1]);
        return box;
    }
    const int j = column - 5;
    const int start = layout.left + Scaled(layout, kFlexStart);
    const int w = layout.right - start + 1;
    box.left = start + j * w / kFlexCount;
    box.right = j == kFlexCount - 1 ? layout.right : start + (j + 1) * w / kFlexCount - 1;
    return box;
}

GridHit HitTestGrid(const GridLayout& layout, int x, int y) {
    GridHit hit = {0, 0};
    if (x < layout.left || x >= layout.right) return hit;
    for (int r = 1; r <= layout.rows && !hit.row; ++r) {
        const GridBox band = GridRowBand(layout, r);
        if (y >= band.top && y < band.bottom) hit.row = r;
    }
    for (int c = 1; c < kGridColumnCount && !hit.column; ++c) {
        const GridBox cell = GridCell(layout, c, 0);
        if (x >= cell.left && x < cell.right) hit.column = c;
    }
    return hit;
}

bool PressSelects(int column, const ChannelSetting& channel) {
    return column == kGridColOnOff || channel.enabled > 0;
}

bool DragSelection(GridSelection& s, const GridHit& hit) {
    if (!hit.ok() || !s.dragging || hit.column != s.column) return false;
    const int32_t anchor = s.first;
    s.first = hit.row < anchor ? hit.row : anchor;
    s.last = hit.row > anchor ? hit.row : anchor;
    return true;
}

bool RightReleaseKeeps(const GridSelection& s, const GridHit& hit) {
    return !hit.ok() || (hit.column == s.column && hit.row >= s.first && hit.row <= s.last);
}

bool SelectionHasMenu(const GridSelection& s) {
    return s.column >= 1 && s.column < kGridColumnCount && s.first > 0;
}

bool DoubleClickEdits(int column, const ChannelSetting& channel) {
    return GridEditorLimit(column) > 0 && channel.enabled > 0;
}

int NextEditRow(int row, int rows) { return row >= rows || row < 1 ? 1 : row + 1; }

const char* GridTitle(int column, uint16_t tcType) {
    if (column == kGridColLowCut && tcType) return "TC";
    return column >= 0 && column < kGridColumnCount ? kTitles[column] : "";
}

void FormatGridCell(char* out, size_t size, int column, int row, const ChannelSetting& ch, const GridView& view) {
    if (!out || size == 0) return;
    out[0] = '\0';
    const int32_t filter = ch.*ShownFilter(view.tcType);
    switch (column) {
    case kGridColCh: snprintf(out, size, "%i", row); break;
    case kGridColOnOff: snprintf(out, size, "%s", ch.enabled == 0 ? "OFF" : ch.enabled == 1 ? "ON" : "--"); break;
    case kGridColType: {
        char name[kGridTextSize];
        TypeName(ch.signalType, name, sizeof name);
        CopyText(out, int(size), name);
        break;
    }
    case kGridColLabel: CopyText(out, int(size), FieldString(ch.label).c_str()); break;
    case kGridColRate: snprintf(out, size, "%i", static_cast<int>(ChannelRate(view.sampleRate, ch.rateDivisor))); break;
    case kGridColCal: snprintf(out, size, "%i", static_cast<int>(ch.calEU)); break;
    case kGridColAd: snprintf(out, size, "%i", static_cast<int>(ch.calVU)); break;
    case kGridColSens: snprintf(out, size, "%4.1f", ch.sensitivity * kThousandth); break;
    case kGridColLowCut:
        if (filter == 0) snprintf(out, size, "OFF");
        else snprintf(out, size, "%2.3f", filter * kThousandth);
        break;
    case kGridColHighCut:
        if (ch.highFilter == 0) snprintf(out, size, "OFF");
        else snprintf(out, size, "%i", static_cast<int>(ch.highFilter));
        break;
    case kGridColUnit: CopyText(out, int(size), FieldString(ch.unit).c_str()); break;
    default: break;
    }
}

GridInk GridCellInk(int column, int row, const ChannelSetting& ch, const GridView& view) {
    if (column == kGridColCh) return row <= view.channelCount ? kInkRed : kInkBlack;
    if (column == kGridColOnOff) return ch.enabled == 1 ? kInkRed : kInkBlack;
    return ch.enabled == 1 ? kInkBlack : kInkGrey;
}

int GridEditorLimit(int column) {
    switch (column) {
    case kGridColLabel: return 12;
    case kGridColUnit: return 4;
    case kGridColCal: case kGridColAd: case kGridColSens: case kGridColLowCut: case kGridColHighCut: return 6;
    default: return 0;
    }
}

void GridEditorText(char* out, size_t size, int column, const ChannelSetting& ch, uint16_t tcType) {
    if (!out || size == 0) return;
    out[0] = '\0';
    switch (column) {
    case kGridColLabel: CopyText(out, int(size), FieldString(ch.label).c_str()); break;
    case kGridColUnit: CopyText(out, int(size), FieldString(ch.unit).c_str()); break;
    case kGridColCal: snprintf(out, size, "%i", static_cast<int>(ch.calEU)); break;
    case kGridColAd: snprintf(out, size, "%i", static_cast<int>(ch.calVU)); break;
    case kGridColHighCut: snprintf(out, size, "%i", static_cast<int>(ch.highFilter)); break;
    case kGridColSens: snprintf(out, size, "%4.1f", ch.sensitivity * kThousandth); break;
    case kGridColLowCut: snprintf(out, size, "%2.3f", ch.*ShownFilter(tcType) * kThousandth); break;
    default: break;
    }
}

int32_t ParseGridInteger(const char* text) {
    if (!text) return 0;
    return ParseIntegerField(text, static_cast<int>(strlen(text)), kBaseAutomatic);
}

int32_t ParseThousandfold(const char* text) {
    if (!text) return 0;
    return Saturate(ParseDecimalNumber(text, static_cast<int>(strlen(text))) * 1000.0);
}

int32_t CoupledFilter(int32_t value) {
    if (value == 0) return 0;
    return Saturate(1000.0 / (value * kThousandth * kTwoPi));
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigitIn(char c, int base) {
    if (c >= '0' && c <= '9') return c - '0' < base;
    if (base == 16) return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    return false;
}
int DigitValue(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

// Only blanks from `p` on.
bool RestIsBlank(const char* p) {
    while (IsBlank(*p)) ++p;
    return *p == '\0';
}

// A whole number with the automatic base filling the text: its value in
// `value` (beyond 32 bits: too large).
GridTextVerdict ScanWholeNumber(const char* p, int64_t* value) {
    while (IsBlank(*p)) ++p;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    int base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    } else if (p[0] == '0') {
        base = 8;
    }
    if (!IsDigitIn(*p, base)) return kGridTextNoNumber;
    int64_t v = 0;
    bool tooLarge = false;
    for (; IsDigitIn(*p, base); ++p) {
        if (!tooLarge) v = v * base + DigitValue(*p);
        tooLarge = tooLarge || v > int64_t{INT32_MAX} + 1;
    }
    if (!RestIsBlank(p)) return kGridTextNoNumber;
    v = negative ? -v : v;
    if (tooLarge || v > INT32_MAX || v < INT32_MIN) return kGridTextTooLarge;
    *value = v;
    return kGridTextTaken;
}

// A decimal number (sign, digits with an optional fraction and exponent)
// filling the text.
bool IsDecimalNumber(const char* p) {
    while (IsBlank(*p)) ++p;
    if (*p == '+' || *p == '-') ++p;
    int digits = 0;
    for (; *p >= '0' && *p <= '9'; ++p) ++digits;
    if (*p == '.')
        for (++p; *p >= '0' && *p <= '9'; ++p) ++digits;
    if (digits == 0) return false;
    if (*p == 'e' || *p == 'E') {
        const char* e = p + 1;
        if (*e == '+' || *e == '-') ++e;
        if (*e < '0' || *e > '9') return false;
        for (p = e; *p >= '0' && *p <= '9'; ++p) {}
    }
    return RestIsBlank(p);
}

GridTextVerdict CheckWholeColumn(int column, const char* text) {
    int64_t value = 0;
    const GridTextVerdict scanned = ScanWholeNumber(text, &value);
    // 1.5 or 2e3 is a number, but not a whole one; 08 is neither octal nor taken.
    if (scanned == kGridTextNoNumber && IsDecimalNumber(text) && strpbrk(text, ".eE")) return kGridTextNotWhole;
    if (scanned != kGridTextTaken) return scanned;
    if (column == kGridColHighCut) return value < 0 ? kGridTextNegative : kGridTextTaken;
    return value == 0 ? kGridTextZero : kGridTextTaken;
}

GridTextVerdict CheckDecimalColumn(int column, const char* text) {
    if (!IsDecimalNumber(text)) return kGridTextNoNumber;
    const double value = ParseDecimalNumber(text, static_cast<int>(strlen(text))) * 1000.0;
    if (!(value < 2147483648.0 && value > -2147483649.0)) return kGridTextTooLarge;
    const int32_t stored = ParseThousandfold(text);
    if (stored < 0) return kGridTextNegative;
    if (column == kGridColSens && stored == 0) return kGridTextZero;
    return kGridTextTaken;
}

}  // namespace

GridTextVerdict CheckGridText(int column, const char* text) {
    if (!text) text = "";
    switch (column) {
    case kGridColCal: case kGridColAd: case kGridColHighCut: return CheckWholeColumn(column, text);
    case kGridColSens: case kGridColLowCut: return CheckDecimalColumn(column, text);
    default: return kGridTextTaken;
    }
}

GridTextVerdict StoreGridEditorText(ChannelSetting& ch, int column, const char* typed, uint16_t tcType) {
    // The editor's limit is in bytes; an edit control that counts characters
    // may let more through, which is cut here on a whole character.
    char text[kGridTextSize];
    CopyText(text, GridEditorLimit(column) + 1, typed ? typed : "");
    const GridTextVerdict verdict = CheckGridText(column, text);
    if (verdict != kGridTextTaken) return verdict;
    switch (column) {
    case kGridColLabel: CopyText(ch.label, sizeof ch.label, text); break;
    case kGridColUnit: CopyText(ch.unit, sizeof ch.unit, text); break;
    case kGridColCal: ch.calEU = ParseGridInteger(text); break;
    case kGridColAd: ch.calVU = ParseGridInteger(text); break;
    case kGridColHighCut: ch.highFilter = ParseGridInteger(text); break;
    case kGridColSens: ch.sensitivity = ParseThousandfold(text); break;
    case kGridColLowCut: {
        const int32_t value = ParseThousandfold(text);
        ch.*ShownFilter(tcType) = value;
        ch.*CoupledField(tcType) = CoupledFilter(value);
        break;
    }
    default: break;
    }
    return kGridTextTaken;
}

void BuildGridChoices(GridChoiceMenu& menu, int column, const MontagePattern& pattern, int row, const GridView& view) {
    menu.count = 0;
    menu.checked = -1;
    const ChannelSetting* ch = row >= 1 && row <= kChannelEntries ? &pattern.channels[row - 1] : nullptr;
    int adCount = 0;
    const AdChoice* ad = AdChoices(view.bitsPerSample, &adCount);
    switch (column) {
    case kGridColOnOff:
        AddChoice(menu, 0, "OFF");
        AddChoice(menu, 1, "ON");
        if (ch && (ch->enabled == 0 || ch->enabled == 1)) menu.checked = ch->enabled;
        break;
    case kGridColType: AddTypeChoices(menu); break;
    case kGridColLabel:
        for (int i = 0; i < kLabelChoices; ++i) AddChoice(menu, i, FieldString(pattern.labelChoices[i]).c_str());
        break;
    case kGridColRate: AddRateChoices(menu, ch, view.sampleRate); break;
    case kGridColCal: case kGridColSens:
        for (int i = 0; i < kCalChoices; ++i) AddChoice(menu, i, kCalTexts[i]);
        break;
    case kGridColAd:
        for (int i = 0; i < adCount; ++i) AddChoice(menu, i, ad[i].text);
        break;
    case kGridColUnit:
        for (int i = 0; i < kUnitChoices; ++i) AddChoice(menu, i, FieldString(pattern.unitChoices[i]).c_str());
        break;
    default: break;
    }
}

bool ApplyGridChoice(MontagePattern& pattern, const GridSelection& s, int index, const GridView& view) {
    const int first = s.first < 1 ? 1 : s.first;
    const int last = s.last > kChannelEntries ? kChannelEntries : s.last;
    bool offered = false;
    for (int r = first; r <= last; ++r)
        offered = ApplyToChannel(pattern.channels[r - 1], pattern, s.column, index, view) || offered;
    return offered;
}
