// The rules of the montage grid that need no window: where the header row,
// the channel rows and the eleven columns lie in the control's client area
// and which cell a point hits; which presses select, how a drag extends the
// selection and where Enter moves the editor; the texts and text colours of
// the cells; the in-place editor's initial texts, limits and how a typed text
// becomes a stored value (with the low-cut / time-constant coupling); and the
// choice menus of the columns and how a choice is applied to the selected
// rows. The grid window (montage/) draws and edits with these rules.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/montage_types.h"

enum GridColumn {
    kGridColCh = 0,         // "CH": the row number
    kGridColOnOff = 1,
    kGridColType = 2,
    kGridColLabel = 3,
    kGridColRate = 4,
    kGridColCal = 5,
    kGridColAd = 6,
    kGridColSens = 7,
    kGridColLowCut = 8,     // "LFF" or "TC" by TCType
    kGridColHighCut = 9,
    kGridColUnit = 10,
    kGridColumnCount = 11
};

// A rectangle in client coordinates; right and bottom are exclusive.
struct GridBox {
    int left, top, right, bottom;
};

// The table laid out in a client area: the inner rectangle (the client area
// less a 2-pixel black frame), its height, the number of channel rows and
// the scale of the fixed columns.
struct GridLayout {
    int left, top, right, bottom;
    int height;     // bottom - top + 1
    int rows;       // MaxCh, limited to the 1..32 entries of a pattern
    int scale;      // pixels per inch the fixed columns are sized for (96: their plain widths)
};

// Lays the table out in a client area of the given size for `maxCh` rows on
// a screen of `dpi` pixels per inch: the fixed columns grow with the dpi. A
// client area narrower than GridMinimumWidth shrinks the fixed columns in
// proportion, so that no column ever overlaps another.
GridLayout LayoutGrid(int clientWidth, int clientHeight, int maxCh, int dpi = 96);

// The narrowest client area that gives every column its room at `dpi`: the
// fixed columns at their scaled widths and six flexible ones of at least
// 32 pixels each (scaled).
int GridMinimumWidth(int dpi);

// The lowest client area that gives the header and `maxCh` rows a text line
// of `textHeight` pixels each with the line below it.
int GridMinimumHeight(int maxCh, int textHeight);

// Row `row` (0 = header, 1..rows = channels) across the inner width. The
// pixel line below each row stays black.
GridBox GridRowBand(const GridLayout& layout, int row);

// The cell of `column` in `row`: five fixed columns ("CH" to "Rate", with a
// 2-pixel gap after "CH" and 1 pixel elsewhere), then six flexible ones that
// share the remaining width, the last reaching the right edge.
GridBox GridCell(const GridLayout& layout, int column, int row);

// The cell under a point: column 1..10 and row 1..rows, each 0 when nothing
// matches (the header row, the "CH" column, the black lines and gaps).
struct GridHit {
    int column;
    int row;
    bool ok() const { return column > 0 && row > 0; }
};
GridHit HitTestGrid(const GridLayout& layout, int x, int y);

// The selection: rows first..last of one column (1..10); all 0 when nothing
// is selected. `dragging` is non-zero while a selecting press is held.
struct GridSelection {
    int32_t column;
    int32_t first;
    int32_t last;
    uint16_t dragging;
};

// A left press selects the "ON/OFF" cell of any row, other cells only of a
// switched-on channel.
bool PressSelects(int column, const ChannelSetting& channel);

// A drag over `row` of the selected column: the range runs from the stored
// first row (not the row the press began on) to `row`, whichever is smaller
// first. False (nothing changes) when no press is held or the column differs.
bool DragSelection(GridSelection& selection, const GridHit& hit);

// A right release on `hit` keeps the selection when it lies inside the
// selected rows of the selected column.
bool RightReleaseKeeps(const GridSelection& selection, const GridHit& hit);

// Whether the selection is one a choice menu can be opened for.
bool SelectionHasMenu(const GridSelection& selection);

// A double click opens the editor on "Label" and "CAL" to "Unit" of a
// switched-on channel.
bool DoubleClickEdits(int column, const ChannelSetting& channel);

// The row Enter moves the editor to: the next row, or row 1 after the last.
int NextEditRow(int row, int rows);

// Where a cell's text is drawn and what with.
struct GridView {
    int32_t sampleRate;     // source samples per second (0: none open)
    int32_t channelCount;   // source channels
    int32_t bitsPerSample;  // AD resolution (0: none open)
    uint16_t tcType;        // 0: column 8 is the low-cut frequency, else the time constant
};

enum GridInk { kInkBlack, kInkRed, kInkGrey };

enum { kGridTextSize = 64 };    // texts of cells, titles and menu items, terminator included

// Title of `column` in the header row ("LFF" or "TC" for column 8).
const char* GridTitle(int column, uint16_t tcType);

// Text of the cell of `column` in channel row `row` of `channel`, into `out`
// (`size` bytes, always terminated).
void FormatGridCell(char* out, size_t size, int column, int row, const ChannelSetting& channel,
                    const GridView& view);

// Colour of that text: row numbers red up to the source's channel count,
// "ON" red, and the columns from "Type" on black for a switched-on channel
// (enabled exactly 1) and grey otherwise.
GridInk GridCellInk(int column, int row, const ChannelSetting& channel, const GridView& view);

// The in-place editor's byte limit for `column`; 0 when the column has none.
int GridEditorLimit(int column);

// The editor's initial text for `column` of `channel`.
void GridEditorText(char* out, size_t size, int column, const ChannelSetting& channel, uint16_t tcType);

// Whether a typed text is a value its cell can take, and if not, why.
enum GridTextVerdict {
    kGridTextTaken = 0,
    kGridTextNoNumber,      // empty, or not a number (abc, 12ab, 08, 0x)
    kGridTextNotWhole,      // a number with decimals where a whole number belongs (1.5 in CAL)
    kGridTextTooLarge,      // beyond what the field holds (99999999999, 1e10 in Sens)
    kGridTextNegative,      // below 0 in a column that has no negative values
    kGridTextZero           // 0 where it leaves the channel uncalibrated or unscaled (CAL, AD, Sens)
};

// The rule of `column` applied to a typed text (after the editor's limit):
// "CAL", "AD" and "HFF" take a whole number with the automatic base, alone
// apart from blanks around it; "Sens" and column 8 a decimal number. CAL and
// AD may be negative (a reversed polarity) but not 0; Sens is above 0; HFF
// and column 8 are 0 (off) or above. Labels, units and the columns without
// an editor take any text.
GridTextVerdict CheckGridText(int column, const char* text);

// Stores a typed text in the field of `column`, taking at most the column's
// byte limit of it (never splitting a double-byte character): labels and
// units are copied; "CAL", "AD",
// "HFF" take the integer parse, "Sens" and column 8 the thousandfold parse,
// and column 8 also sets the coupled filter field. Nothing for other columns.
// A text CheckGridText refuses changes nothing; the verdict is returned.
GridTextVerdict StoreGridEditorText(ChannelSetting& channel, int column, const char* text, uint16_t tcType);

// A typed whole number with automatic base ("0x10" 16, "010" 8, else
// decimal), clamped to 32 bits; no digits give 0.
int32_t ParseGridInteger(const char* text);

// A typed number with decimals in thousandths: the leading decimal number
// times 1000, truncated toward zero and clamped to 32 bits (1e10 gives
// 2147483647); text without a number gives 0.
int32_t ParseThousandfold(const char* text);

// The filter value coupled to `value`: a time constant in ms gives the
// low-cut frequency in mHz and the other way round, 1000 / (v k p) with k the
// float nearest 0.001 and p the float nearest 2 pi, truncated; 0 stays 0.
int32_t CoupledFilter(int32_t value);

enum { kGridChoiceMax = 22 };   // items of the longest menu: the type names

// One choice menu item: its index (the command is the first choice id plus
// the index) and its text.
struct GridChoice {
    int index;
    char text[kGridTextSize];
};

// The choice menu of a column, and the item with the check mark (-1: none).
struct GridChoiceMenu {
    int count;
    int checked;
    GridChoice items[kGridChoiceMax];
};

// Builds the choice menu of `column` for the pattern's row `row` (the last
// selected row, whose value gets the check mark in columns 1 and 4). The rate
// menu offers only divisors giving a whole output rate of 1 or more; the AD
// menu follows the source's AD resolution (8, 12 or 16 bits, else empty).
void BuildGridChoices(GridChoiceMenu& menu, int column, const MontagePattern& pattern, int row,
                      const GridView& view);

// Applies choice `index` of the selected column to every selected row (rows
// beyond the pattern's 32 entries do not exist), whatever the rows' switches.
// An index the column's menu would not offer changes nothing. True when the
// choice was one the menu offers.
bool ApplyGridChoice(MontagePattern& pattern, const GridSelection& selection, int index,
                     const GridView& view);
