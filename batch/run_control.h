// How a batch run meets its surroundings: the stop signals (Ctrl-C, a
// closed terminal, a polite kill) all stop it the same way, a write to a
// closed pipe (`| head`) ends nothing, and after a stop the exit status is
// the shell's convention for that signal (130 after Ctrl-C). (The CPUs the
// process may run on, which the number of jobs follows: AllowedCpus of
// filekit/filekit.h.)
#pragma once

#include <atomic>

// The stop request every job watches.
std::atomic<bool>& StopRequest();

// Installs the handlers: SIGINT, SIGHUP and SIGTERM set the stop request (a
// second one ends the program at once); SIGPIPE is ignored.
void InstallStopSignals();

// The signal that stopped the run, 0 when none did.
int StopSignal();

// The exit status after a stop by `signal`: 128 + signal.
int StoppedStatus(int signal);
