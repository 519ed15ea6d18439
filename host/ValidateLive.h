#pragma once
// The parts of `quorvane-host validate` that render on the real audio thread while the host does its
// other work: every render path on the audio thread (part of the battery), the soak (--soak SECONDS)
// and the concurrency scenario for ThreadSanitizer (--threads).

#include "host/Commands.h"
#include "host/HostModule.h"
#include "host/ValidateReport.h"

namespace quorvane::host {

// main thread; switch combinations, oversampling toggles, block growth, host bypass and side chain,
// rendered on the audio thread: clean output and a latency that follows the oversampling switch
void CheckAudioThreadPaths(Report& report, HostModule& module);

// main thread; one instance at cl.soakRate for `seconds` of wall-clock time: random automation, state
// restores and host bypass toggles between real-time-sized blocks, alternating with held random
// scenes; every block checked, and the output level against the input every second of audio; a
// summary, then the "N passed, M failed" line. The exit code.
int RunSoak(const CommandLine& cl, double seconds);

// main thread; the audio thread renders while the main thread makes editor gestures, saves and
// restores state and pumps the run loop, and another thread automates: for ThreadSanitizer, which
// must stay silent. Ends with the "N passed, M failed" line; the exit code.
int RunThreads(const CommandLine& cl);

} // namespace quorvane::host
