// The montage grid's portable rules with plain data: the layout of rows and
// columns and the hit test, the selection by press and drag, the cell texts
// and colours, the editor's texts and parses with the filter coupling, and
// the choice menus and how a choice lands in the selected rows.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/grid_keys.h"
#include "engine/grid_rules.h"
#include "engine/pattern_rules.h"

namespace {

// A channel at the program's start-up values, with the time constant a
// pattern without one gets (500), switched on (1) or off (0).
ChannelSetting Channel(int enabled = 1) {
    MontagePattern p = {};
    ResetPatternToStartup(p);
    ChannelSetting c = p.channels[0];
    c.enabled = enabled;
    c.timeConstant = 500;
    return c;
}

GridView View(int32_t rate = 200, int32_t channels = 16, int32_t bits = 16, uint16_t tcType = 0) {
    return GridView{rate, channels, bits, tcType};
}

std::string Cell(int column, const ChannelSetting& c, const GridView& view = View(), int row = 1) {
    char text[kGridTextSize];
    FormatGridCell(text, sizeof text, column, row, c, view);
    return text;
}

std::string EditorText(int column, const ChannelSetting& c, uint16_t tcType = 0) {
    char text[128];
    GridEditorText(text, sizeof text, column, c, tcType);
    return text;
}

std::vector<std::string> Texts(const GridChoiceMenu& menu) {
    std::vector<std::string> texts;
    for (int i = 0; i < menu.count; ++i) texts.push_back(menu.items[i].text);
    return texts;
}

MontagePattern Pattern() {
    MontagePattern p = {};
    for (ChannelSetting& c : p.channels) c = Channel(0);
    return p;
}

TEST(GridLayout, RowsShareTheHeightWithOneBlackLineBelowEach) {
    for (int maxCh : {1, 14, 16, 32}) {
        const GridLayout g = LayoutGrid(640, 437, maxCh);
        SCOPED_TRACE(maxCh);
        EXPECT_EQ(2, g.left);
        EXPECT_EQ(2, g.top);
        EXPECT_EQ(638, g.right);
        EXPECT_EQ(435, g.bottom);
        EXPECT_EQ(GridRowBand(g, 0).top, g.top);
        for (int r = 0; r < maxCh; ++r) EXPECT_EQ(GridRowBand(g, r).bottom + 1, GridRowBand(g, r + 1).top);
        EXPECT_EQ(g.bottom, GridRowBand(g, maxCh).bottom);
    }
    EXPECT_EQ(32, LayoutGrid(640, 437, 40).rows);    // a pattern holds 32 entries
    EXPECT_EQ(1, LayoutGrid(640, 437, 0).rows);
}

TEST(GridLayout, FixedColumnsKeepTheirPlacesAndTheOthersShareTheRest) {
    for (int width : {520, 640, 1001}) {
        const GridLayout g = LayoutGrid(width, 300, 16);
        SCOPED_TRACE(width);
        const int fixed[5][2] = {{0, 26}, {28, 87}, {88, 147}, {148, 247}, {248, 307}};
        for (int c = 0; c < 5; ++c) {
            EXPECT_EQ(g.left + fixed[c][0], GridCell(g, c, 3).left);
            EXPECT_EQ(g.left + fixed[c][1], GridCell(g, c, 3).right);
        }
        EXPECT_EQ(g.left + 308, GridCell(g, 5, 3).left);
        EXPECT_EQ(g.right, GridCell(g, 10, 3).right);
        const int w = g.right - g.left - 307;
        for (int c = 5; c < 10; ++c) {
            EXPECT_EQ(GridCell(g, c, 3).right + 1, GridCell(g, c + 1, 3).left);
            EXPECT_NEAR(w / 6.0, GridCell(g, c, 3).right - GridCell(g, c, 3).left + 1, 1.0);
        }
    }
}

// At a higher dpi the fixed columns grow in proportion; narrower than the
// minimum width every column still keeps a width of its own, in order.
TEST(GridLayout, ScalesWithTheDpiAndNeverOverlaps) {
    const GridLayout big = LayoutGrid(1000, 600, 16, 144);
    EXPECT_EQ(big.left + 42, GridCell(big, 1, 3).left);
    EXPECT_EQ(big.left + 460, GridCell(big, 4, 3).right);
    EXPECT_EQ(big.left + 462, GridCell(big, 5, 3).left);
    EXPECT_EQ(GridMinimumWidth(96), 4 + 308 + 6 * 32);
    EXPECT_EQ(GridMinimumWidth(144), 4 + 462 + 6 * 48);
    EXPECT_EQ(4 + 17 * 16, GridMinimumHeight(16, 15));
    for (int dpi : {96, 120, 144, 192}) {
        for (int width : {60, 300, 420, GridMinimumWidth(dpi) - 1, GridMinimumWidth(dpi), 1300}) {
            SCOPED_TRACE(testing::Message() << dpi << " dpi, width " << width);
            const GridLayout g = LayoutGrid(width, 400, 16, dpi);
            int previousRight = g.left - 1;
            for (int c = 0; c < kGridColumnCount; ++c) {
                const GridBox cell = GridCell(g, c, 2);
                EXPECT_GE(cell.left, previousRight) << c;     // right edges are exclusive
                EXPECT_GE(cell.right, cell.left) << c;
                previousRight = cell.right;
            }
            EXPECT_EQ(g.right, previousRight);
            if (width >= GridMinimumWidth(dpi)) {
                for (int c = 5; c < kGridColumnCount; ++c)
                    EXPECT_GE(GridCell(g, c, 2).right - GridCell(g, c, 2).left, 32 * dpi / 96 - 1) << c;
                EXPECT_EQ(g.left + 26 * dpi / 96, GridCell(g, 0, 2).right);
            }
        }
    }
}

TEST(GridLayout, HitTestFindsCellsAndMissesLinesGapsHeaderAndCh) {
    const GridLayout g = LayoutGrid(640, 437, 16);
    const GridBox row5 = GridRowBand(g, 5);
    const int y = (row5.top + row5.bottom) / 2;
    for (int c = 1; c <= 10; ++c) {
        const GridBox cell = GridCell(g, c, 5);
        EXPECT_EQ(c, HitTestGrid(g, cell.left, y).column);
        EXPECT_EQ(c, HitTestGrid(g, cell.right - 1, y).column);
        EXPECT_EQ(5, HitTestGrid(g, cell.left, y).row);
    }
    EXPECT_EQ(5, HitTestGrid(g, g.left + 50, row5.top).row);
    EXPECT_FALSE(HitTestGrid(g, g.left + 50, row5.bottom).ok());       // the black line below
    EXPECT_FALSE(HitTestGrid(g, g.left + 10, y).ok());                 // "CH"
    EXPECT_FALSE(HitTestGrid(g, g.left + 27, y).ok());                 // the 2-pixel gap
    EXPECT_FALSE(HitTestGrid(g, g.left + 87, y).ok());                 // a 1-pixel gap
    EXPECT_FALSE(HitTestGrid(g, g.left + 50, GridRowBand(g, 0).top + 2).ok());   // header
    EXPECT_FALSE(HitTestGrid(g, g.right, y).ok());
    EXPECT_FALSE(HitTestGrid(g, g.left + 50, g.bottom + 1).ok());
    EXPECT_EQ(16, HitTestGrid(g, g.left + 50, g.bottom - 1).row);
}

TEST(GridSelectionRules, DragRangeRunsFromTheStoredFirstRow) {
    GridSelection s = {kGridColSens, 5, 5, 1};
    EXPECT_TRUE(DragSelection(s, GridHit{kGridColSens, 8}));
    EXPECT_EQ(5, s.first);
    EXPECT_EQ(8, s.last);
    EXPECT_TRUE(DragSelection(s, GridHit{kGridColSens, 3}));
    EXPECT_EQ(3, s.first);
    EXPECT_EQ(5, s.last);
    EXPECT_TRUE(DragSelection(s, GridHit{kGridColSens, 4}));
    EXPECT_EQ(3, s.first);
    EXPECT_EQ(4, s.last);
    EXPECT_TRUE(DragSelection(s, GridHit{kGridColSens, 4}));     // the same row still notifies
    EXPECT_FALSE(DragSelection(s, GridHit{kGridColCal, 9}));     // another column
    EXPECT_FALSE(DragSelection(s, GridHit{0, 9}));
    s.dragging = 0;
    EXPECT_FALSE(DragSelection(s, GridHit{kGridColSens, 9}));
    EXPECT_EQ(3, s.first);
    EXPECT_EQ(4, s.last);
}

TEST(GridSelectionRules, PressDoubleClickRightReleaseAndEnter) {
    EXPECT_TRUE(PressSelects(kGridColOnOff, Channel(0)));
    EXPECT_FALSE(PressSelects(kGridColLabel, Channel(0)));
    EXPECT_TRUE(PressSelects(kGridColLabel, Channel(2)));
    for (int c = 0; c <= 10; ++c) {
        const bool editable = c == 3 || c >= 5;
        EXPECT_EQ(editable, DoubleClickEdits(c, Channel(1))) << c;
        EXPECT_FALSE(DoubleClickEdits(c, Channel(0))) << c;
    }
    const GridSelection s = {kGridColCal, 5, 8, 0};
    EXPECT_TRUE(RightReleaseKeeps(s, GridHit{kGridColCal, 6}));
    EXPECT_TRUE(RightReleaseKeeps(s, GridHit{0, 0}));            // header or "CH"
    EXPECT_FALSE(RightReleaseKeeps(s, GridHit{kGridColCal, 9}));
    EXPECT_FALSE(RightReleaseKeeps(s, GridHit{kGridColAd, 6}));
    EXPECT_TRUE(SelectionHasMenu(s));
    EXPECT_FALSE(SelectionHasMenu(GridSelection{0, 0, 0, 0}));
    EXPECT_EQ(1, NextEditRow(16, 16));
    EXPECT_EQ(4, NextEditRow(3, 16));
    EXPECT_EQ(1, NextEditRow(20, 16));
}

TEST(GridTexts, ColoursOfNumbersSwitchesAndValues) {
    const GridView view = View(200, 14);
    const ChannelSetting on = Channel(1), off = Channel(0), odd = Channel(2);
    for (int row = 1; row <= 16; ++row)
        EXPECT_EQ(row <= 14 ? kInkRed : kInkBlack, GridCellInk(kGridColCh, row, off, view)) << row;
    EXPECT_EQ("ON", Cell(kGridColOnOff, on));
    EXPECT_EQ("OFF", Cell(kGridColOnOff, off));
    EXPECT_EQ("--", Cell(kGridColOnOff, odd));
    EXPECT_EQ(kInkRed, GridCellInk(kGridColOnOff, 1, on, view));
    EXPECT_EQ(kInkBlack, GridCellInk(kGridColOnOff, 1, odd, view));
    EXPECT_EQ(kInkBlack, GridCellInk(kGridColSens, 1, on, view));
    EXPECT_EQ(kInkGrey, GridCellInk(kGridColSens, 1, off, view));
    EXPECT_EQ(kInkGrey, GridCellInk(kGridColType, 1, odd, view));  // only 1 counts as switched on
}

TEST(GridTexts, ValuesAndTheFilterColumnByTcType) {
    ChannelSetting c = Channel();
    c.lowFilter = 530;
    c.timeConstant = 0;
    c.highFilter = 0;
    c.rateDivisor = 4;
    EXPECT_EQ("50.0", Cell(kGridColSens, c));
    EXPECT_EQ("0.530", Cell(kGridColLowCut, c, View(200, 16, 16, 0)));
    EXPECT_EQ("OFF", Cell(kGridColLowCut, c, View(200, 16, 16, 1)));
    EXPECT_STREQ("LFF", GridTitle(kGridColLowCut, 0));
    EXPECT_STREQ("TC", GridTitle(kGridColLowCut, 1));
    EXPECT_EQ(530, c.lowFilter);
    EXPECT_EQ("OFF", Cell(kGridColHighCut, c));
    EXPECT_EQ("50", Cell(kGridColRate, c));
    c.rateDivisor = 3;          // from a hand-edited settings file: shown as it is
    EXPECT_EQ("66", Cell(kGridColRate, c));
    c.signalType = 4;
    EXPECT_EQ("EEG", Cell(kGridColType, c));
    for (int32_t type : {1, 21, -1, 65536 + 4}) {
        c.signalType = type;
        EXPECT_EQ("", Cell(kGridColType, c)) << type;
    }
    c.sensitivity = INT32_MAX;
    EXPECT_EQ("2147483.7", Cell(kGridColSens, c));
}

TEST(GridTexts, LabelsFillingTheirFieldAreCutOnAWholeCharacter) {
    ChannelSetting c = Channel();
    memset(c.label, 'A', sizeof c.label);      // no terminator at all
    EXPECT_EQ(std::string(31, 'A'), Cell(kGridColLabel, c));
    memset(c.label, 'B', 30);
    c.label[30] = '\x82';                       // a lead byte whose trail is cut off
    c.label[31] = '\xA0';
    EXPECT_EQ(std::string(30, 'B'), Cell(kGridColLabel, c));
}

TEST(GridEditor, InitialTextsAndLimits) {
    ChannelSetting c = Channel();
    c.timeConstant = 0;
    c.lowFilter = 530;
    EXPECT_EQ("50.0", EditorText(kGridColSens, c));
    EXPECT_EQ("0.530", EditorText(kGridColLowCut, c, 0));
    EXPECT_EQ("0.000", EditorText(kGridColLowCut, c, 1));
    EXPECT_EQ("409", EditorText(kGridColAd, c));
    const int limits[11] = {0, 0, 0, 12, 0, 6, 6, 6, 6, 6, 4};
    for (int col = 0; col < 11; ++col) EXPECT_EQ(limits[col], GridEditorLimit(col)) << col;
}

TEST(GridEditor, IntegerColumnsTakeTheAutomaticBase) {
    ChannelSetting c = Channel();
    const struct { const char* text; int32_t want; } cases[] = {
        {"010", 8}, {"0x10", 16}, {" -12", -12}, {"0x7fff", 32767}, {" 25 ", 25}, {"+7", 7}};
    for (const auto& k : cases) {
        EXPECT_EQ(kGridTextTaken, StoreGridEditorText(c, kGridColCal, k.text, 0)) << k.text;
        EXPECT_EQ(k.want, c.calEU) << k.text;
    }
    EXPECT_EQ(INT32_MAX, ParseGridInteger("99999999999"));
    EXPECT_EQ(INT32_MIN, ParseGridInteger("-99999999999"));
    StoreGridEditorText(c, kGridColHighCut, "0x1F", 0);
    EXPECT_EQ(31, c.highFilter);
    StoreGridEditorText(c, kGridColAd, "65536", 0);
    EXPECT_EQ(65536, c.calVU);
}

// A text a numeric cell cannot take is refused with its reason and leaves
// every field of the channel as it was; the same text may suit another column.
TEST(GridEditor, ValuesACellCannotTakeAreRefused) {
    const struct { int column; const char* text; GridTextVerdict want; } cases[] = {
        {kGridColCal, "abc", kGridTextNoNumber},    {kGridColCal, "", kGridTextNoNumber},
        {kGridColCal, "  ", kGridTextNoNumber},     {kGridColCal, "12ab", kGridTextNoNumber},
        {kGridColCal, "08", kGridTextNoNumber},     {kGridColCal, "0x", kGridTextNoNumber},
        {kGridColCal, "1.5", kGridTextNotWhole},    {kGridColCal, "2e3", kGridTextNotWhole},
        {kGridColCal, "0", kGridTextZero},          {kGridColCal, "-0", kGridTextZero},
        {kGridColAd, "0x0", kGridTextZero},         {kGridColAd, "-", kGridTextNoNumber},
        {kGridColHighCut, "-1", kGridTextNegative}, {kGridColHighCut, "x", kGridTextNoNumber},
        {kGridColSens, "abc", kGridTextNoNumber},   {kGridColSens, "0", kGridTextZero},
        {kGridColSens, "0.0001", kGridTextZero},    {kGridColSens, "-5", kGridTextNegative},
        {kGridColSens, "1e10", kGridTextTooLarge},  {kGridColSens, "7.5x", kGridTextNoNumber},
        {kGridColSens, ".", kGridTextNoNumber},     {kGridColSens, "2e", kGridTextNoNumber},
        {kGridColLowCut, "abc", kGridTextNoNumber}, {kGridColLowCut, "-0.3", kGridTextNegative},
        {kGridColLowCut, "9e9", kGridTextTooLarge},
    };
    for (const auto& k : cases) {
        ChannelSetting c = Channel();
        const ChannelSetting before = c;
        EXPECT_EQ(k.want, StoreGridEditorText(c, k.column, k.text, 1)) << k.column << " " << k.text;
        EXPECT_TRUE(before.calEU == c.calEU && before.calVU == c.calVU && before.sensitivity == c.sensitivity &&
                    before.lowFilter == c.lowFilter && before.timeConstant == c.timeConstant &&
                    before.highFilter == c.highFilter)
            << k.column << " " << k.text;
    }
    // The rule beyond the editor's six bytes, and texts taken in one column
    // that another refuses (0 switches a filter off; a negative AD reverses).
    const struct { int column; const char* text; GridTextVerdict want; } more[] = {
        {kGridColCal, "99999999999", kGridTextTooLarge}, {kGridColCal, "2147483648", kGridTextTooLarge},
        {kGridColCal, "-2147483648", kGridTextTaken},    {kGridColHighCut, "0", kGridTextTaken},
        {kGridColLowCut, "0", kGridTextTaken},           {kGridColAd, "-409", kGridTextTaken},
        {kGridColSens, " .5 ", kGridTextTaken},          {kGridColLabel, "abc", kGridTextTaken}};
    for (const auto& k : more) EXPECT_EQ(k.want, CheckGridText(k.column, k.text)) << k.column << " " << k.text;
}

TEST(GridEditor, ThousandfoldParseTruncatesAndClamps) {
    const struct { const char* text; int32_t want; } cases[] = {
        {"7.5", 7500}, {"0.3", 300}, {"50", 50000}, {".5", 500}, {"5.", 5000}, {"-1.2345", -1234},
        {"1e-3", 1}, {"2e", 2000}, {"  3.25x", 3250}, {"1e10", INT32_MAX}, {"-1e10", INT32_MIN},
        {"1e999", INT32_MAX}, {"abc", 0}, {"nan", 0}, {"inf", 0}, {"0x10", 0}, {"", 0}, {".", 0}};
    for (const auto& k : cases) EXPECT_EQ(k.want, ParseThousandfold(k.text)) << k.text;
}

TEST(GridEditor, FilterCouplingKeepsBothFieldsConsistent) {
    ChannelSetting c = Channel();
    StoreGridEditorText(c, kGridColLowCut, "0.3", 1);
    EXPECT_EQ(300, c.timeConstant);
    EXPECT_EQ(530, c.lowFilter);
    EXPECT_EQ("0.530", Cell(kGridColLowCut, c, View(200, 16, 16, 0)));
    StoreGridEditorText(c, kGridColLowCut, "0.100", 0);
    EXPECT_EQ(100, c.lowFilter);
    EXPECT_EQ(1591, c.timeConstant);
    StoreGridEditorText(c, kGridColLowCut, "0", 1);
    EXPECT_EQ(0, c.timeConstant);
    EXPECT_EQ(0, c.lowFilter);
    EXPECT_EQ("OFF", Cell(kGridColLowCut, c, View(200, 16, 16, 0)));
    EXPECT_EQ(318, CoupledFilter(500));
    EXPECT_EQ(159, CoupledFilter(1000));
    EXPECT_EQ(300, CoupledFilter(530));
    EXPECT_EQ(159154, CoupledFilter(1));
    EXPECT_EQ(0, CoupledFilter(INT32_MAX));
    EXPECT_EQ(-530, CoupledFilter(-300));
}

TEST(GridEditor, TextsAreCutAtTheEditorLimitOnWholeCharacters) {
    ChannelSetting c = Channel();
    StoreGridEditorText(c, kGridColLabel, std::string(40, 'L').c_str(), 0);
    EXPECT_EQ(std::string(12, 'L'), c.label);
    const std::string wide = std::string(11, 'x') + "\x93\xfa";    // 11 bytes and a double-byte character
    StoreGridEditorText(c, kGridColLabel, wide.c_str(), 0);
    EXPECT_EQ(std::string(11, 'x'), c.label);
    StoreGridEditorText(c, kGridColLabel, "\x93\xfa\x96\x7b\x8c\xea\x83\x65\x83\x58\x83\x67\x92\x86", 0);
    EXPECT_EQ(std::string("\x93\xfa\x96\x7b\x8c\xea\x83\x65\x83\x58\x83\x67"), c.label);   // six of seven
    StoreGridEditorText(c, kGridColUnit, "\x83\xca\x83\xca\x83", 0);
    EXPECT_EQ(std::string("\x83\xca\x83\xca"), c.unit);
    EXPECT_EQ(kGridTextTaken, StoreGridEditorText(c, kGridColCal, "1234567", 0));
    EXPECT_EQ(123456, c.calEU);
    StoreGridEditorText(c, kGridColOnOff, "1", 0);             // no editor there
    EXPECT_EQ(1, c.enabled);
}

TEST(GridChoices, AdMenuByResolution) {
    const MontagePattern p = Pattern();
    GridChoiceMenu m;
    BuildGridChoices(m, kGridColAd, p, 1, View(200, 4, 16));
    ASSERT_EQ(11, m.count);
    EXPECT_STREQ("   164 (1/400)", m.items[0].text);
    EXPECT_STREQ(" 65536 (1/1) ", m.items[10].text);
    EXPECT_EQ(-1, m.checked);
    BuildGridChoices(m, kGridColAd, p, 1, View(200, 4, 12));
    EXPECT_EQ(7, m.count);
    EXPECT_STREQ("  205 (1/20)", m.items[1].text);
    BuildGridChoices(m, kGridColAd, p, 1, View(200, 4, 8));
    EXPECT_EQ((std::vector<std::string>{"  25 (1/10)", "  51 (1/5) ", "  64 (1/4) ", " 128 (1/2) ", " 256 (1/1) "}),
              Texts(m));
    for (int bits : {0, 10, 24}) {
        BuildGridChoices(m, kGridColAd, p, 1, View(200, 4, bits));
        EXPECT_EQ(0, m.count) << bits;
    }
}

TEST(GridChoices, TypeMenuOffersNamedIndicesButOne) {
    GridChoiceMenu m;
    BuildGridChoices(m, kGridColType, Pattern(), 1, View());
    ASSERT_EQ(20, m.count);
    EXPECT_EQ(0, m.items[0].index);
    EXPECT_STREQ("---", m.items[0].text);
    for (int i = 0; i < m.count; ++i) {
        EXPECT_NE(1, m.items[i].index);
        EXPECT_LE(m.items[i].index, 20);
        EXPECT_STRNE("", m.items[i].text);
    }
    EXPECT_EQ(20, m.items[m.count - 1].index);
}

TEST(GridChoices, RateMenuOffersWholeRatesOnlyWithTheDivisorChecked) {
    MontagePattern p = Pattern();
    p.channels[2].rateDivisor = 4;
    GridChoiceMenu m;
    BuildGridChoices(m, kGridColRate, p, 3, View(200));
    EXPECT_EQ((std::vector<std::string>{"200", "100", "50", "40", "20", "10", "4"}), Texts(m));
    EXPECT_EQ(2, m.checked);
    BuildGridChoices(m, kGridColRate, p, 3, View(128));        // 25.6, 12.8 ... are not offered
    EXPECT_EQ((std::vector<std::string>{"128", "64", "32"}), Texts(m));
    EXPECT_EQ(2, m.items[2].index);
    BuildGridChoices(m, kGridColRate, p, 3, View(30));         // 30, 15, 6, 3; no 7.5, 1.5, 0.6
    EXPECT_EQ((std::vector<std::string>{"30", "15", "6", "3"}), Texts(m));
    EXPECT_EQ(-1, m.checked);
    for (int32_t rate : {0, -200}) {
        BuildGridChoices(m, kGridColRate, p, 3, View(rate));
        EXPECT_EQ(0, m.count) << rate;
    }
}

TEST(GridChoices, OtherColumns) {
    MontagePattern p = Pattern();
    strcpy(p.labelChoices[0], "C3-A2");
    strcpy(p.unitChoices[7], "mV");
    p.channels[0].enabled = 1;
    GridChoiceMenu m;
    BuildGridChoices(m, kGridColOnOff, p, 1, View());
    EXPECT_EQ((std::vector<std::string>{"OFF", "ON"}), Texts(m));
    EXPECT_EQ(1, m.checked);
    p.channels[0].enabled = 7;
    BuildGridChoices(m, kGridColOnOff, p, 1, View());
    EXPECT_EQ(-1, m.checked);
    BuildGridChoices(m, kGridColLabel, p, 1, View());
    EXPECT_EQ(20, m.count);
    EXPECT_STREQ("C3-A2", m.items[0].text);
    EXPECT_STREQ("", m.items[1].text);
    BuildGridChoices(m, kGridColUnit, p, 1, View());
    EXPECT_EQ(8, m.count);
    EXPECT_STREQ("mV", m.items[7].text);
    BuildGridChoices(m, kGridColSens, p, 1, View());
    EXPECT_EQ(9, m.count);
    EXPECT_STREQ("1000", m.items[8].text);
    for (int col : {0, 8, 9}) {
        BuildGridChoices(m, col, p, 1, View());
        EXPECT_EQ(0, m.count) << col;
    }
}

TEST(GridChoices, AChoiceLandsInEverySelectedRow) {
    MontagePattern p = Pattern();
    p.channels[3].enabled = 1;
    EXPECT_TRUE(ApplyGridChoice(p, GridSelection{kGridColOnOff, 3, 6, 0}, 1, View()));
    for (int r = 1; r <= 8; ++r) EXPECT_EQ(r >= 3 && r <= 6 ? 1 : 0, p.channels[r - 1].enabled) << r;
    EXPECT_TRUE(ApplyGridChoice(p, GridSelection{kGridColSens, 2, 3, 0}, 7, View()));
    EXPECT_EQ(500000, p.channels[1].sensitivity);
    EXPECT_TRUE(ApplyGridChoice(p, GridSelection{kGridColAd, 1, 1, 0}, 10, View(200, 4, 16)));
    EXPECT_EQ(65536, p.channels[0].calVU);
    EXPECT_TRUE(ApplyGridChoice(p, GridSelection{kGridColRate, 1, 1, 0}, 6, View(200)));
    EXPECT_EQ(50, p.channels[0].rateDivisor);
    // Items no menu offers change nothing.
    const MontagePattern before = p;
    EXPECT_FALSE(ApplyGridChoice(p, GridSelection{kGridColType, 1, 4, 0}, 1, View()));
    EXPECT_FALSE(ApplyGridChoice(p, GridSelection{kGridColType, 1, 4, 0}, 21, View()));
    EXPECT_FALSE(ApplyGridChoice(p, GridSelection{kGridColRate, 1, 4, 0}, 3, View(128)));
    EXPECT_FALSE(ApplyGridChoice(p, GridSelection{kGridColAd, 1, 4, 0}, 10, View(200, 4, 12)));
    EXPECT_FALSE(ApplyGridChoice(p, GridSelection{kGridColLowCut, 1, 4, 0}, 0, View()));
    EXPECT_FALSE(ApplyGridChoice(p, GridSelection{kGridColOnOff, 5, 4, 0}, 1, View()));
    EXPECT_EQ(0, memcmp(&before, &p, sizeof p));
    // A selection reaching past the 32 entries stops at the last one.
    EXPECT_TRUE(ApplyGridChoice(p, GridSelection{kGridColCal, 30, 40, 0}, 8, View()));
    EXPECT_EQ(1000, p.channels[31].calEU);
}

// The keys whose action a modifier decides, and those the grid leaves to
// the window (Ctrl, Alt, keys of no action).
TEST(GridKeys, ModifiersDecideTheAction) {
    struct Case { int key; bool shift, ctrl, alt; GridKeyAction action; };
    const Case cases[] = {
        {kKeyUp, true, false, false, kGridKeyExtendUp},     {kKeyDown, true, false, false, kGridKeyExtendDown},
        {kKeyRight, true, false, false, kGridKeyRight},     // a selection never spans columns
        {kKeyF10, true, false, false, kGridKeyMenu},        {kKeyF10, false, false, false, kGridKeyNone},
        {kKeyTab, false, false, false, kGridKeyNextControl},
        {kKeyTab, true, false, false, kGridKeyPreviousControl},
        {kKeyTab, false, true, false, kGridKeyNone},        // Ctrl+Tab is the window's
        {kKeyDown, false, true, false, kGridKeyNone},       {kKeySpace, false, false, true, kGridKeyNone},
        {kKeyEscape, false, false, false, kGridKeyNone},    {'A', false, false, false, kGridKeyNone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.action, GridKeyFor(c.key, c.shift, c.ctrl, c.alt)) << c.key << " " << c.shift << c.ctrl << c.alt;
}

TEST(GridKeys, MovesStayInsideTheGridAndExtendFromTheAnchor) {
    int cursor = 0;
    GridSelection s = MoveGridCursor(GridSelection{0, 0, 0, 0}, &cursor, kGridKeyDown, 16);
    EXPECT_EQ(kGridColOnOff, s.column);     // nothing selected: the first cell
    EXPECT_EQ(1, s.first);
    s = MoveGridCursor(s, &cursor, kGridKeyLeft, 16);
    EXPECT_EQ(kGridColOnOff, s.column);     // "CH" is never selected
    s = MoveGridCursor(s, &cursor, kGridKeyUp, 16);
    EXPECT_EQ(1, s.first);
    for (int i = 0; i < 12; ++i) s = MoveGridCursor(s, &cursor, kGridKeyRight, 16);
    EXPECT_EQ(kGridColUnit, s.column);
    s = MoveGridCursor(s, &cursor, kGridKeyLastRow, 16);
    EXPECT_EQ(16, s.first);
    s = MoveGridCursor(s, &cursor, kGridKeyDown, 16);
    EXPECT_EQ(16, s.last);

    // Shift+Down from row 5 three times, then Shift+Up past the anchor.
    s = GridSelection{kGridColCal, 5, 5, 0};
    cursor = 5;
    for (int i = 0; i < 3; ++i) s = ExtendGridSelection(s, &cursor, kGridKeyExtendDown, 16);
    EXPECT_EQ(5, s.first);
    EXPECT_EQ(8, s.last);
    for (int i = 0; i < 5; ++i) s = ExtendGridSelection(s, &cursor, kGridKeyExtendUp, 16);
    EXPECT_EQ(3, s.first);
    EXPECT_EQ(5, s.last);
    EXPECT_EQ(kGridColCal, s.column);
    // A plain move leaves the range and goes on from the row worked on.
    s = MoveGridCursor(s, &cursor, kGridKeyUp, 16);
    EXPECT_EQ(2, s.first);
    EXPECT_EQ(2, s.last);
    // A range a drag made (cursor elsewhere) extends from its last row.
    s = GridSelection{kGridColCal, 14, 16, 0};
    cursor = 0;
    EXPECT_EQ(16, ExtendGridSelection(s, &cursor, kGridKeyExtendDown, 16).last);   // at the end
    s = ExtendGridSelection(s, &cursor, kGridKeyExtendUp, 16);
    EXPECT_EQ(14, s.first);
    EXPECT_EQ(15, s.last);
    cursor = 0;
    EXPECT_EQ(0, ExtendGridSelection(GridSelection{0, 0, 0, 0}, &cursor, kGridKeyExtendDown, 16).first);

    for (unsigned code : {unsigned('a'), unsigned('0'), unsigned('-'), 0x82u, 0xB1u})
        EXPECT_TRUE(TypedCharOpensEditor(code)) << code;
    for (unsigned code : {unsigned(' '), unsigned('\r'), unsigned('\t'), 0x1Bu, 0x7Fu, 0x08u})
        EXPECT_FALSE(TypedCharOpensEditor(code)) << code;
}

}  // namespace
