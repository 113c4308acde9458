// bench_window: an 8-hour night converted through the program's real main
// window and its frame timer, under Wine, against a plain copy of the same
// data file. A program to run by hand, not a test:
//   tools/wine-run.sh build/win/tools/bench/bench_window.exe [HOURS] [CHANNELS]
// The recording is opened into the working record directly (no file
// dialog), then the conversion starts as the convert command starts it and
// the message loop runs until the run has finished.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/main_window.h"
#include "convert/conversion_controller.h"
#include "engine/conversion_run.h"
#include "engine/recording.h"
#include "pagekit/program.h"
#include "pagekit/state_lock.h"
#include "resources/resource_ids.h"
#include "tools/taffgen/taffgen.h"

namespace {

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

void PumpFor(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    MSG message;
    while (static_cast<LONG>(GetTickCount() - end) < 0) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(1);
    }
}

bool Finished(HWND window) {
    StateLock lock(window);
    return !lock || lock->conv.conversionState == kConvFinished;
}

}  // namespace

int main(int argc, char** argv) {
    const double hours = argc > 1 ? std::atof(argv[1]) : 8.0;
    TaffGenOptions options;
    options.channels = argc > 2 ? std::atoi(argv[2]) : 32;
    options.seconds = hours * 3600;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string header = std::string(temp) + "BENCHWIN.HDR";
    const std::string output = std::string(temp) + "BENCHWIN_OUT.DAT";
    const std::string copy = std::string(temp) + "BENCHWIN_COPY.DAT";
    std::string error;
    if (!WriteTaffRecording(options, header, &error)) {
        std::fprintf(stderr, "cannot write the recording: %s\n", error.c_str());
        return 1;
    }
    const std::string data = TaffGenDataPath(options, header);

    HINSTANCE instance = GetModuleHandleA(nullptr);
    LONG_PTR kit = 0;
    if (!StartProgram(instance, &kit)) return 1;
    HWND window = CreateMainWindow(instance);
    if (!window) return 1;
    ShowWindow(window, SW_SHOW);
    PumpFor(1500);   // the splash closes
    {
        StateLock lock(window);
        if (!lock || !OpenSourceRecording(lock->source, CurrentPattern(*lock), header.c_str())) return 1;
        OnSourceOpened(*lock);
        ChooseOutputPath(lock->conv, output.c_str());
    }

    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    PostMessageA(window, WM_CONVERT_START, 0, 0);
    MSG message;
    while (!Finished(window) && GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    QueryPerformanceCounter(&end);
    const double convert = Seconds(start, end);
    int32_t failed = 1;
    {
        StateLock lock(window);
        if (lock) failed = lock->conv.writeFailed || !lock->conv.fileFinished;
    }
    DestroyWindow(window);

    QueryPerformanceCounter(&start);
    const BOOL copied = CopyFileA(data.c_str(), copy.c_str(), FALSE);
    QueryPerformanceCounter(&end);
    const double plainCopy = Seconds(start, end);

    WIN32_FILE_ATTRIBUTE_DATA info;
    double dataMB = 0;
    if (GetFileAttributesExA(data.c_str(), GetFileExInfoStandard, &info))
        dataMB = (double(info.nFileSizeHigh) * 4294967296.0 + info.nFileSizeLow) / 1e6;
    std::printf("window: %.1f h, %d channels, %.1f MB of data: converted in %.2f s (%s), plain copy %.2f s%s, ratio %.1f\n",
                hours, options.channels, dataMB, convert, failed ? "FAILED" : "finished", plainCopy,
                copied ? "" : " (copy failed)", plainCopy > 0 ? convert / plainCopy : 0.0);
    DeleteFileA(output.c_str());
    DeleteFileA(copy.c_str());
    DeleteFileA(data.c_str());
    DeleteFileA(header.c_str());
    return failed ? 1 : 0;
}
