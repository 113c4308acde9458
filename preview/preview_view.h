// What the preview's files share (preview_window, preview_overview,
// preview_keys): the view a preview window keeps behind GWLP_USERDATA, its
// row of controls, and the moves the window's commands, its keys and the
// overview strip all make. Private to preview/.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/epoch_values.h"
#include "engine/night_check.h"
#include "engine/preview_layout.h"
#include "engine/trace_axis.h"
#include "preview/preview_paint.h"

namespace preview {

const double kScaleStep = 2.0;   // + and - halve or double a trace's scale

// The row of controls along the top, left to right, which is also the
// order Tab moves in (after the traces).
struct ControlSpec {
    int id;
    const char* windowClass;
    int text;                   // string id, 0 for none
    DWORD style;
    RowControl size;
};

// The row's controls (defined with the window).
extern const ControlSpec kControls[];
extern const int kControlCount;

// A run of values past the edge of a trace's band the pointer is over:
// the trace (-1 none), the run's first column and side, its farthest value
// and the span of values the band shows.
struct OffScaleHover {
    int trace;
    int first;
    bool above;
    double farthest;
    double span;
};

struct PreviewView {
    TaffHandle reader = nullptr;        // our own handle on the recording's files
    TaffHandle readerFor = nullptr;     // the record's handle it was opened beside
    std::unique_ptr<EpochReader> epochs;
    bool recordTaken = false;           // the record has been read at least once
    SourceInfo source;                  // copies of what is drawn from
    MontagePattern pattern;
    bool timeConstants = false;         // the montage states low cuts as time constants
    TracePlan plan;
    int32_t epochSeconds = 30;
    int64_t epoch = 0;
    TraceAxis axes[kChannelEntries];
    bool placed[kChannelEntries];       // the trace has its axis (else it opens with the next drawing)
    bool filtered = true;
    int selected = -1;                  // the trace the keys scale alone
    std::vector<ColumnRange> columns;   // the epoch reduced to the plot's columns
    int32_t columnCount = 0;
    bool columnsValid = false;
    PreviewFont font = {96, 7, 12};
    PreviewAreas areas;
    int rowRight = 0;                   // the width the row of controls needs
    HWND overview = nullptr;            // the strip of the whole night (IDC_PREV_OVERVIEW)
    HWND tip = nullptr;                 // the hints over the check's marks and the strip
    // The night check's findings as the record held them when last told
    // (WM_CHECK_CHANGED): valid when they belong to the open recording and
    // the pattern drawn; the serial of the held result they were taken from.
    std::vector<CheckFinding> findings;
    bool findingsValid = false;
    bool findingsTaken = false;
    uint32_t findingsSerial = 0;
    int hovered = -1;                   // the finding the pointer is over, -1 none
    OffScaleHover offScale = {-1, -1, false, 0, 0};   // the run of values off the scale the pointer is over
    char hint[320] = "";                // the text the hint over a mark shows

    PreviewView() {
        memset(&source, 0, sizeof source);
        memset(&pattern, 0, sizeof pattern);
        memset(&plan, 0, sizeof plan);
        memset(&areas, 0, sizeof areas);
        std::fill(placed, placed + kChannelEntries, false);
    }
    ~PreviewView() {
        if (reader) TaffClose(reader);
    }
    bool Open() const { return reader != nullptr && source.sourceKind == kSourceTaff; }
};


PreviewView* ViewOf(HWND window);
int64_t EpochCountOf(const PreviewView& v);
// The night's length in seconds (0 before a recording is planned).
double NightSeconds(const PreviewView& v);
// The night check's findings the window shows: null when none belong to
// the open recording and the pattern drawn.
const std::vector<CheckFinding>* ShownFindings(const PreviewView& v);
RECT ClientArea(HWND window);

// Moves to epoch `epoch` (kept within the recording).
void GoToEpoch(HWND window, PreviewView& v, int64_t epoch);
// Chooses epoch length `choice` (an index into the list), keeping the epoch's start.
void ChooseEpochLength(HWND window, PreviewView& v, int choice);
// The chosen trace, or every trace when none is chosen, scaled by `factor`
// (fit: fitted to the epoch's signal instead).
void Rescale(HWND window, PreviewView& v, double factor, bool fit);
void SetFiltered(HWND window, PreviewView& v, bool filtered);
// Chooses trace `trace` (-1: none).
void Select(HWND window, PreviewView& v, int trace);
// The epoch of the next (or previous) finding; a beep when there is none.
void StepToFinding(HWND window, PreviewView& v, bool forward);

// A text of the string table (empty when missing).
void LoadText(int id, char* out, int size);
// What the window draws now (its columns taken as TakeColumns left them).
PreviewPicture PictureOf(const PreviewView& v);

// The hints (preview_hints.cpp): made with the window; the pointer's place
// and the text asked for.
void BuildHints(HWND window, PreviewView& v);
void OnMouseMove(PreviewView& v, LPARAM at);
void OnHintText(HWND window, PreviewView& v, NMTTDISPINFOA* info);

// The keys on the traces (preview_keys.cpp).
void OnKey(HWND window, PreviewView& v, WPARAM key);

// Registers the overview strip's class (preview_overview.cpp). Non-zero on success.
BOOL RegisterOverviewClass(HINSTANCE instance);

}  // namespace preview
