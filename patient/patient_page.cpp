// The patient page. Until its editing arrives the page shows its controls
// only; the patient record is loaded and saved with the settings.
#include "patient/patient_page.h"

INT_PTR CALLBACK PatientPageProc(HWND, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_DESTROY:
        return TRUE;
    }
    return FALSE;
}
