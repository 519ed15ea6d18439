#include "host/HostServices.h"

namespace quorvane::host {

AAX_Result HostServices::HandleAssertFailure(const char* file, int32_t line, const char* note, int32_t)
{
  std::string text(file ? file : "?");
  text.append(":").append(std::to_string(line)).append(": ").append(note ? note : "");
  std::lock_guard lock(mMutex);
  mMessages.push_back({true, std::move(text)});
  return AAX_SUCCESS;
}

AAX_Result HostServices::Trace(int32_t priority, const char* message)
{
  std::string text("[");
  text.append(std::to_string(priority)).append("] ").append(message ? message : "");
  while (!text.empty() && text.back() == '\n')
    text.pop_back();
  std::lock_guard lock(mMutex);
  mMessages.push_back({false, std::move(text)});
  return AAX_SUCCESS;
}

std::vector<HostServices::Message> HostServices::Messages() const
{
  std::lock_guard lock(mMutex);
  return mMessages;
}

int HostServices::AssertionCount() const
{
  std::lock_guard lock(mMutex);
  int count = 0;
  for (const auto& m : mMessages)
    count += m.assertion ? 1 : 0;
  return count;
}

void HostServices::Clear()
{
  std::lock_guard lock(mMutex);
  mMessages.clear();
}

} // namespace quorvane::host
