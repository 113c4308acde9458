// The record-changed notice; see record_notice.h.
#include "pagekit/record_notice.h"

#include "pagekit/state_lock.h"
#include "resources/resource_ids.h"

void NoticeRecordChanged(HWND window) {
    if (HWND main = MainWindowOf(window)) PostMessageA(main, WM_RECORD_CHANGED, 0, 0);
}
