#include "host/AudioThread.h"

namespace quorvane::host {

AudioThread::AudioThread(HostInstance& instance) : mInstance(instance), mThread([this] { Run(); }) {}

AudioThread::~AudioThread()
{
  Wait();
  mQuit = true;
  mWork.Release();
  mThread.join();
}

bool AudioThread::Render(const float* const* inputs, const float* sideChain, float* const* outputs, int frames)
{
  Start(inputs, sideChain, outputs, frames);
  return Wait();
}

void AudioThread::Start(const float* const* inputs, const float* sideChain, float* const* outputs, int frames)
{
  Wait();
  mInputs = inputs;
  mSideChain = sideChain;
  mOutputs = outputs;
  mFrames = frames;
  mJob = nullptr;
  mPending = true;
  mWork.Release();
}

bool AudioThread::Wait()
{
  if (!mPending)
    return true;
  mDone.Acquire();
  mPending = false;
  return mResult;
}

void AudioThread::RunOnAudioThread(const std::function<void()>& job)
{
  Wait();
  mJob = &job;
  mWork.Release();
  mDone.Acquire();
  mJob = nullptr;
}

void AudioThread::Run()
{
  for (;;)
  {
    mWork.Acquire();
    if (mQuit)
      return;
    if (mJob)
      (*mJob)();
    else
      mResult = mInstance.Render(mInputs, mSideChain, mOutputs, mFrames);
    mDone.Release();
  }
}

} // namespace quorvane::host
