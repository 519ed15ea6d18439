#pragma once
// The host's services for a loaded module: assertion reports and traces are collected (never fatal)
// so the command line can print them with --verbose and the validation can count them.

#include "aax/AAX_Interfaces.h"

#include <mutex>
#include <string>
#include <vector>

namespace quorvane::host {

class HostServices final : public AAX_IHostServices
{
public:
  struct Message
  {
    bool assertion = false; // false: a trace
    std::string text;
  };

  // any thread but the audio thread; records "file:line: note"
  AAX_Result HandleAssertFailure(const char* file, int32_t line, const char* note, int32_t flags) override;
  // any thread but the audio thread
  AAX_Result Trace(int32_t priority, const char* message) override;

  // any thread; a copy of everything recorded so far
  std::vector<Message> Messages() const;
  // any thread
  int AssertionCount() const;
  // any thread
  void Clear();

private:
  mutable std::mutex mMutex;
  std::vector<Message> mMessages;
};

} // namespace quorvane::host
