#pragma once
// Renders a whole file through one instance the way a host plays a track: fixed-size blocks on the
// audio thread (or on the calling thread when offline), parameter changes applied between blocks and
// followed by a coefficient pass, idle time between runs of blocks, and what the host can see logged
// per block. The audio thread takes a run of blocks at a time (up to the next parameter change, at most
// a second of audio), reading the input and writing the output in place, so the hand-over costs little
// beside the plug-in.

#include "host/AudioFile.h"
#include "host/ParamSetting.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::host {

struct ScheduledChange
{
  int64_t frame = 0; // applied before the first block that starts at or after this frame
  ParameterChange change;
};

// What the host sees of one block (the plug-in's own meter is not visible through AAX).
struct BlockLevels
{
  int64_t block = 0;
  int64_t frame = 0;
  double inPeakDb = 0.0;
  double outPeakDb = 0.0;
  double gainChangeDb = 0.0; // output RMS over input RMS; 0 for a silent input block
  bool silentInput = true;
};

// CPU seconds: in the plug-in's render calls (on whichever thread rendered), and the main thread's
// reading and writing of the audio.
struct RenderTimes
{
  double plugin = 0.0;
  double reading = 0.0;
  double writing = 0.0;
};

struct RenderOptions
{
  int blockSize = 512;
  std::vector<ScheduledChange> automation; // ordered by frame
  bool hostBypass = false;
  bool compensateLatency = false; // drop the reported latency's first samples, render the tail instead
  bool offline = false;           // render on the calling thread, after telling the plug-in 'AXof'
  bool progress = false;          // a progress line on stderr
  std::vector<BlockLevels>* levels = nullptr;
  RenderTimes* times = nullptr; // when set: where the CPU time went
};

// main thread; `in` has instance.MainChannels() channels, `sideChain` is null or one channel at the
// same rate (shorter is padded with silence). Reads and writes a run at a time. False with a reason.
bool RenderStream(HostInstance& instance, AudioSource& in, AudioSource* sideChain, const RenderOptions& options,
                  AudioSink& out, std::string& error);

// main thread; RenderStream from and to memory; `sideChain` empty when there is none.
bool RenderFile(HostInstance& instance, const Audio& in, const std::vector<float>& sideChain,
                const RenderOptions& options, Audio& out, std::string& error);

// main thread; the master bypass parameter's identifier (the one the plug-in names, else a parameter
// called "Master Bypass"); false when there is none
bool FindMasterBypass(HostInstance& instance, std::string& id);

// any thread; the meter log as text with its header line
std::string FormatLevels(const std::vector<BlockLevels>& levels);

double ToDb(double linear);

} // namespace quorvane::host
