#include "aax/AAX_CHostServices.h"

#include <cstdarg>
#include <cstdio>

namespace {
std::atomic<AAX_IHostServices*> sHostServices{nullptr};
}

void AAX_CHostServices::Set(AAX_IHostServices* services) { sHostServices.store(services); }

AAX_IHostServices* AAX_CHostServices::Get() { return sHostServices.load(); }

void AAX_CHostServices::HandleAssertFailure(const char* file, int32_t line, const char* note)
{
  if (AAX_IHostServices* services = Get())
    services->HandleAssertFailure(file, line, note, 1);
}

void AAX_CHostServices::Trace(int32_t priority, const char* format, ...)
{
  AAX_IHostServices* services = Get();
  if (services == nullptr)
    return;
  char message[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof(message), format, args);
  va_end(args);
  services->Trace(priority, message);
}
