#pragma once
// The demo programme: about ten seconds of a drum-and-bass loop at 174 BPM (kick, snare, hats, a sub
// bass line and a pad) synthesised in code, so the demo needs no downloaded samples.

#include "host/AudioFile.h"

#include <string>
#include <vector>

namespace quorvane::host {

// any thread; deterministic (fixed seed), stereo, peaks near -3 dBFS
Audio SynthesiseDemoProgramme(double sampleRate, double seconds);

// The settings the demo plays the programme with (NAME=VALUE, as --set takes them).
std::vector<std::string> DemoSettings();

} // namespace quorvane::host
