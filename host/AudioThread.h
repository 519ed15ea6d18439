#pragma once
// The host's real-time audio thread for one instance: the main thread hands it one block at a time
// through a semaphore handshake and either waits for the block to come back (Render) or keeps working
// while it renders (Start, then Wait). The render path on the audio thread takes no lock and allocates
// nothing; waiting for work between blocks is the thread's idle.

#include "host/HostInstance.h"
#include "host/HostPlatform.h"

#include <functional>
#include <thread>

namespace quorvane::host {

class AudioThread final
{
public:
  // main thread; starts the thread
  explicit AudioThread(HostInstance& instance);
  // main thread; stops and joins it
  ~AudioThread();

  AudioThread(const AudioThread&) = delete;
  AudioThread& operator=(const AudioThread&) = delete;

  // main thread; renders one block on the audio thread and returns when it is done. The buffers must
  // stay valid until then (they do: the call waits).
  bool Render(const float* const* inputs, const float* sideChain, float* const* outputs, int frames);
  // main thread; hands one block to the audio thread and returns at once, so the main thread can do a
  // host's other work while it renders. Wait before the next block and before touching the buffers.
  void Start(const float* const* inputs, const float* sideChain, float* const* outputs, int frames);
  // main thread; waits for the block Start handed over (true at once when none is out); false when the
  // instance refused it
  bool Wait();
  // main thread; runs `job` on the audio thread between blocks (tests open allocation scopes there)
  void RunOnAudioThread(const std::function<void()>& job);

private:
  void Run();

  HostInstance& mInstance;
  platform::Semaphore mWork;
  platform::Semaphore mDone;
  // Written by the main thread before releasing mWork, read by the audio thread after acquiring it.
  const float* const* mInputs = nullptr;
  const float* mSideChain = nullptr;
  float* const* mOutputs = nullptr;
  int mFrames = 0;
  const std::function<void()>* mJob = nullptr;
  bool mQuit = false;
  bool mResult = false;
  bool mPending = false; // main thread's: a block is out with the audio thread
  std::thread mThread;
};

} // namespace quorvane::host
