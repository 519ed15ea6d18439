#pragma once
// The library's one handle on the host's services: assertion reports and traces. ACFStartup installs it
// from the host, ACFShutdown (or a null startup) drops it; without it reports and traces go nowhere.
// Execution always goes on after a report.

#include <atomic>
#include <cstdint>

#include "aax/AAX_Interfaces.h"

class AAX_CHostServices
{
public:
  // module start and stop (host's main thread); null drops the wrapper
  static void Set(AAX_IHostServices* services);
  // any thread
  static AAX_IHostServices* Get();

  // any thread; forwards (file, line, note, 1) to the host
  static void HandleAssertFailure(const char* file, int32_t line, const char* note);
  // any thread but the audio thread; formats into a fixed buffer and forwards it to the host
  static void Trace(int32_t priority, const char* format, ...) __attribute__((format(printf, 2, 3)));
};

enum AAX_ETracePriority : int32_t
{
  AAX_eTracePriorityHost_Critical = 0,
  AAX_eTracePriorityHost_Normal = 2,
};

// Reports a failed check to the host and goes on.
#define AAX_ASSERT(condition)                                                                                  \
  do                                                                                                           \
  {                                                                                                            \
    if (!(condition))                                                                                          \
      AAX_CHostServices::HandleAssertFailure(__FILE__, __LINE__, #condition);                                 \
  } while (false)

// Live plug-in objects of this module (effect parameters, later editor adaptors); ACFCanUnloadNow answers it.
class AAX_CLiveObjectCount
{
public:
  static int32_t Count() { return sCount.load(); }

protected:
  AAX_CLiveObjectCount() { ++sCount; }
  AAX_CLiveObjectCount(const AAX_CLiveObjectCount&) { ++sCount; }
  ~AAX_CLiveObjectCount() { --sCount; }

private:
  static inline std::atomic<int32_t> sCount{0};
};
