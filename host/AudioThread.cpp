#include "host/AudioThread.h"

namespace quorvane::host {

AudioThread::AudioThread(HostInstance& instance) : mInstance(instance), mThread([this] { Run(); }) {}

AudioThread::~AudioThread()
{
  mQuit = true;
  mWork.release();
  mThread.join();
}

bool AudioThread::Render(const float* const* inputs, const float* sideChain, float* const* outputs, int frames)
{
  mInputs = inputs;
  mSideChain = sideChain;
  mOutputs = outputs;
  mFrames = frames;
  mJob = nullptr;
  mWork.release();
  mDone.acquire();
  return mResult;
}

void AudioThread::RunOnAudioThread(const std::function<void()>& job)
{
  mJob = &job;
  mWork.release();
  mDone.acquire();
  mJob = nullptr;
}

void AudioThread::Run()
{
  for (;;)
  {
    mWork.acquire();
    if (mQuit)
      return;
    if (mJob)
      (*mJob)();
    else
      mResult = mInstance.Render(mInputs, mSideChain, mOutputs, mFrames);
    mDone.release();
  }
}

} // namespace quorvane::host
