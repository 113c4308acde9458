// The overview strip of the whole night (class MORLEXOVERVIEW), a child of
// the preview: the findings of every trace along the night, the epoch shown
// outlined; a click goes to the epoch under it. It keeps nothing of its
// own: it draws from its preview's view.
#include <windows.h>

#include "engine/check_marks.h"
#include "preview/preview_paint.h"
#include "preview/preview_view.h"
#include "resources/resource_ids.h"
#include "winkit/paint.h"
#include "winkit/winkit.h"

namespace preview {
namespace {

// The strip's places as it is now.
OverviewStrip StripOf(HWND strip, const PreviewView& v) {
    return PlaceOverview(v.font, ClientArea(strip).right, v.plan.count, NightSeconds(v));
}

// The strip's preview's view (null while the preview is being made or gone).
PreviewView* ViewOfStrip(HWND strip) {
    HWND preview = GetParent(strip);
    return preview ? ViewOf(preview) : nullptr;
}

void PaintStrip(HWND strip, HDC target, const PreviewView* v) {
    const RECT area = ClientArea(strip);
    MemoryDc picture(target, area.right, area.bottom);
    HDC dc = picture.dc() ? picture.dc() : target;
    OverviewPicture p = {nullptr, -1.0, 30, -1};
    OverviewStrip geometry = PlaceOverview(PreviewFont{96, 7, 12}, area.right, 0, 0);
    if (v && v->Open()) {
        p = OverviewPicture{ShownFindings(*v), double(v->epoch) * v->epochSeconds, v->epochSeconds, v->selected};
        geometry = StripOf(strip, *v);
    }
    PaintOverview(dc, area, geometry, p);
    if (picture.dc()) picture.CopyTo(target);
}

void OnStripPaint(HWND strip) {
    PaintScope paint(strip);
    PaintStrip(strip, paint.dc(), ViewOfStrip(strip));
}

// A click on the strip: the epoch holding the time under it, the chosen
// trace kept.
void OnStripClick(HWND strip, LPARAM at) {
    HWND window = GetParent(strip);
    PreviewView* v = ViewOfStrip(strip);
    SetFocus(window);
    if (!v || !v->Open()) return;
    const double second = OverviewSeconds(StripOf(strip, *v), static_cast<short>(LOWORD(at)));
    GoToEpoch(window, *v, EpochHolding(second, v->epochSeconds));
}

LRESULT CALLBACK OverviewProc(HWND strip, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: OnStripPaint(strip); return 0;
    case WM_PRINTCLIENT: PaintStrip(strip, reinterpret_cast<HDC>(wParam), ViewOfStrip(strip)); return 0;
    case WM_ERASEBKGND: return 1;   // painting covers the strip
    case WM_LBUTTONDOWN: OnStripClick(strip, lParam); return 0;
    }
    return DefWindowProcA(strip, message, wParam, lParam);
}
}  // namespace

BOOL RegisterOverviewClass(HINSTANCE instance) {
    const WkWindowClass c = {OverviewProc, PREVIEW_OVERVIEW_CLASS, CS_HREDRAW | CS_VREDRAW, 0, nullptr, nullptr,
                             reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), nullptr};
    return WkRegisterWindowClass(instance, c);
}

}  // namespace preview
