// Stop signals, exit status and CPU count of a batch run; see run_control.h.
#include "batch/run_control.h"

#include <csignal>

namespace {

std::atomic<bool> g_stop{false};
volatile std::sig_atomic_t g_signal = 0;

extern "C" void OnStopSignal(int signal) {
    if (g_signal == 0) g_signal = signal;
    g_stop = true;
    // A second signal ends the program at once; temporary files then stay,
    // under names that never look like a finished output.
    std::signal(signal, SIG_DFL);
}

}  // namespace

std::atomic<bool>& StopRequest() { return g_stop; }

void InstallStopSignals() {
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
#ifdef SIGHUP
    std::signal(SIGHUP, OnStopSignal);
#endif
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

int StopSignal() { return int(g_signal); }

int StoppedStatus(int signal) { return 128 + signal; }
