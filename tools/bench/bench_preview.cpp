// bench_preview: how long the signal preview takes to draw one epoch (read,
// reduce to the output rate, scale to physical units, reduce to pixel
// columns and paint into an off-screen picture of the preview's size), side by side with reading the same bytes alone, for
// 32 channels at 200 Hz and 6 channels at 96 kHz; how fast it pages through
// a whole 8-hour night epoch by epoch; each with the display filters on
// (high-pass 0.3 Hz, low-pass 35 Hz, 50 Hz notch) and off; and the
// process's peak memory.
// Not a test: run it by hand. First make the recordings in a folder of
// their own process (--make), then measure in a fresh one, so the peak
// memory is the preview's alone.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/epoch_values.h"
#include "engine/frame_step.h"
#include "engine/recording.h"
#include "tools/taffgen/taffgen.h"

#include <windows.h>
#include <psapi.h>

#include "preview/preview_paint.h"

namespace {

const char kUsage[] =
    "usage: bench_preview --make FOLDER    writes the two recordings (about 720 MB)\n"
    "       bench_preview FOLDER [--epochs N]  measures (N epochs per median, default 41)\n";

struct Night {
    const char* name;
    const char* file;
    int channels, rate;
    double seconds;
};

const Night kNights[] = {
    {"32 ch x 200 Hz, 8 h", "NIGHT32.HDR", 32, 200, 8 * 3600.0},
    {"6 ch x 96 kHz, 5 min", "FAST6.HDR", 6, 96000, 300.0},
};

// The preview's client area at its opening size.
const int kWidth = 944, kHeight = 640;

double Ms(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double PeakMiB() {
    PROCESS_MEMORY_COUNTERS c;
    memset(&c, 0, sizeof c);
    GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c);
    return c.PeakWorkingSetSize / 1048576.0;
}

std::string PathIn(const std::string& folder, const char* file) { return folder + "/" + file; }

int Make(const std::string& folder) {
    for (const Night& n : kNights) {
        TaffGenOptions o;
        o.channels = n.channels;
        o.rate = n.rate;
        o.seconds = n.seconds;
        std::string error;
        printf("writing %s ...\n", n.name);
        fflush(stdout);
        if (!WriteTaffRecording(o, PathIn(folder, n.file), &error)) {
            fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}

// The open recording, the montage the sample night uses (calibrated, divisor
// 1, sensitivity 50.0, EEG filters and a 50 Hz hum filter) and the traces it
// writes.
struct Opened {
    SourceInfo source;
    MontagePattern pattern;
    TracePlan plan;
    bool ok = false;
};

void Open(const std::string& path, Opened* o) {
    memset(&o->source, 0, sizeof o->source);
    memset(&o->pattern, 0, sizeof o->pattern);
    if (!OpenSourceRecording(o->source, o->pattern, path.c_str())) return;
    for (ChannelSetting& ch : o->pattern.channels) {
        ch.rateDivisor = 1;
        ch.calEU = 250;
        ch.calVU = 25000;
        ch.sensitivity = 50000;
        ch.signalType = 4;
        ch.lowFilter = 300;
        ch.highFilter = 35;
    }
    o->source.humFilter = 1;
    o->ok = PlanTraces(o->source, o->pattern, &o->plan) > 0;
}

// Reads the epoch's scans alone, in the chunks the preview reads them in.
void ReadAlone(const Opened& o, int64_t firstSecond, int32_t seconds, std::vector<int16_t>& block) {
    const int64_t rate = o.source.sampleRate, channels = o.source.channelCount;
    const int64_t chunk = std::max<int64_t>(1, (int64_t{1} << 20) / (rate * channels));
    for (int64_t s = firstSecond; s < firstSecond + seconds && s * rate < o.source.lengthSamples; s += chunk) {
        const int64_t scans = std::min<int64_t>(chunk, firstSecond + seconds - s) * rate;
        block.resize(size_t((channels + 1) * scans + 32));
        ReadChannelRuns(o.source, o.source.sourceHandle, int32_t(s * rate), int32_t(scans), block.data(), 0, nullptr);
    }
}

// One epoch drawn as the preview draws it; the paint's share in *paintMs.
struct Drawer {
    EpochReader reader;
    std::vector<ColumnRange> columns;
    TraceAxis axes[kChannelEntries];
    bool placed = false;
    bool filtered = false;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    PreviewAreas areas;
    explicit Drawer(TaffHandle handle) : reader(handle, 0) {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
        SelectObject(dc, bitmap);
        ReleaseDC(nullptr, screen);
        areas = LayOutPreview(MeasureFont(dc), kWidth, kHeight, 0);
    }
    ~Drawer() {
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    void Draw(const Opened& o, int64_t firstSecond, int32_t seconds, double* paintMs) {
        const RECT area = {0, 0, kWidth, kHeight};
        const int32_t width = PlotColumns(areas);
        reader.Columns(o.source, o.plan, firstSecond, seconds, width, &columns, filtered);
        const auto start = std::chrono::steady_clock::now();
        for (int32_t t = 0; t < o.plan.count && !placed; ++t)
            axes[t] = OpeningAxis(o.plan.traces[t], o.pattern.position, columns.data() + size_t(t) * size_t(width), width);
        placed = true;
        const PreviewPicture p = {&o.source, &o.plan, &o.pattern.position, firstSecond, seconds, columns.data(),
                                  width, axes, filtered, -1, reader.NotRecorded().data(), nullptr};
        PaintPreview(dc, area, areas, p);
        GdiFlush();
        *paintMs = Ms(start);
    }
};

int Measure(const std::string& folder, int epochs) {
    TaffStartup();
    printf("%-22s %6s %8s %14s %12s %14s\n", "recording", "epoch", "filters", "draw median", "of it paint",
           "read alone");
    std::vector<int16_t> block;
    for (const Night& n : kNights) {
        Opened o;
        Open(PathIn(folder, n.file), &o);
        if (!o.ok) {
            fprintf(stderr, "cannot open %s (make it with --make)\n", PathIn(folder, n.file).c_str());
            return 1;
        }
        Drawer drawer(o.source.sourceHandle);
        for (bool filtered : {false, true}) {
            drawer.filtered = filtered;
            for (int32_t seconds : {30, 120}) {
                const int64_t count = EpochCount(o.plan, seconds);
                std::vector<double> draw, paint, read;
                for (int i = 0; i < epochs; ++i) {
                    const int64_t e = count > 1 ? i * (count - 1) / std::max(1, epochs - 1) : 0;
                    auto start = std::chrono::steady_clock::now();
                    ReadAlone(o, e * seconds, seconds, block);
                    read.push_back(Ms(start));
                    double paintMs = 0;
                    start = std::chrono::steady_clock::now();
                    drawer.Draw(o, e * seconds, seconds, &paintMs);
                    draw.push_back(Ms(start));
                    paint.push_back(paintMs);
                }
                printf("%-22s %4d s %8s %11.2f ms %9.2f ms %11.2f ms\n", n.name, int(seconds),
                       filtered ? "on" : "off", Median(draw), Median(paint), Median(read));
            }
        }
        for (bool filtered : {false, true}) {
            if (n.seconds < 8 * 3600.0) break;
            drawer.filtered = filtered;
            const int64_t count = EpochCount(o.plan, 30);
            double paintMs = 0;
            auto start = std::chrono::steady_clock::now();
            for (int64_t e = 0; e < count; ++e) drawer.Draw(o, e * 30, 30, &paintMs);
            const double pagingMs = Ms(start);
            start = std::chrono::steady_clock::now();
            for (int64_t e = 0; e < count; ++e) ReadAlone(o, e * 30, 30, block);
            const double readMs = Ms(start);
            printf("paging %s, %lld epochs of 30 s, filters %s: %.1f epochs/s (read alone: %.1f epochs/s)\n",
                   n.name, static_cast<long long>(count), filtered ? "on" : "off", count * 1000.0 / pagingMs,
                   count * 1000.0 / readMs);
        }
        CloseSource(o.source);
    }
    printf("peak memory of the process: %.1f MiB\n", PeakMiB());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--make") return Make(argv[2]);
    if (argc < 2 || argv[1][0] == '-') {
        fputs(kUsage, stderr);
        return 2;
    }
    int epochs = 41;
    if (argc >= 4 && std::string(argv[2]) == "--epochs") epochs = std::max(1, std::atoi(argv[3]));
    return Measure(argv[1], epochs);
}
