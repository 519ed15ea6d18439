#pragma once
// The library effect plus a hand-off of synchronized parameter values to the audio thread: each
// coefficient pass numbers the values changed since the last one and posts the number to context field
// 25; the render callback hands an instance the lists whose number its context has reached.

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "aax/AAX_CAtomicQueue.h"
#include "aax/AAX_CEffectParameters.h"

class AAX_CIPlugParameters : public AAX_CEffectParameters
{
public:
  static constexpr size_t kSynchronizedParameterQueueSize = 32;
  static constexpr int32_t kMaxSynchronizedPairsPerCall = 128;

  // (identifier, cloned value)
  using TParamValPair = std::pair<std::string, std::unique_ptr<const AAX_IParameterValue>>;
  // (state number, pairs); the pairs are owned through the list
  using TNumberedParamStateList = std::pair<int64_t, std::vector<TParamValPair*>>;

  AAX_CIPlugParameters() = default;
  // after rendering has stopped: frees every list and pair still queued
  ~AAX_CIPlugParameters() override;

  // set-up: values of this parameter go through the hand-off
  void RegisterSynchronizedParameter(const AAX_IParameter& parameter);

  // host thread: a synchronized parameter is remembered for the next coefficient pass
  AAX_Result UpdateParameterNormalizedValue(AAX_CParamID id, double value, AAX_EUpdateSource source) override;
  // host thread: the library pass, then number the changes and post the number to field 25
  AAX_Result GenerateCoefficients() override;
  // host main thread: frees what the audio thread handed back, then the library default
  AAX_Result TimerWakeup() override;

  // audio thread: the process procedure every component registers
  static void RenderAllInstances(AAX_SIPlugContext* const instancesBegin[], const void* instancesEnd);
  // audio thread; whether a list numbered `listNumber` is due for a context at state `current`
  // (a list newer than the context waits, unless the counter has wrapped)
  static bool IsListDue(int64_t current, int64_t listNumber);

  // any thread, for tests and diagnostics
  int64_t ChangeCounter() const { return mChangeCounter.load(); }

protected:
  // audio thread: one instance's block; the base does nothing
  virtual void RenderInstance(AAX_SIPlugContext* context, const TParamValPair* const synchronizedPairs[],
                              int32_t numPairs);

  std::set<std::string> mSynchronizedParameters;
  std::atomic<int64_t> mChangeCounter{0};
  std::set<const AAX_IParameter*> mChangedParams;
  AAX_CAtomicQueue<TNumberedParamStateList, 256> mQueuedChangeLists;
  AAX_CAtomicQueue<TNumberedParamStateList, 256> mSpentChangeLists;
  AAX_CAtomicQueue<const TParamValPair, 16 * kSynchronizedParameterQueueSize> mSpentValuePairs;

private:
  void RenderOne(AAX_SIPlugContext* context);
};
