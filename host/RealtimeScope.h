#pragma once
// Marks a stretch of code as real-time for RealtimeSanitizer. Only the QUORVANE_RTSAN build links the
// sanitizer's runtime and defines the macro; everywhere else the scope compiles to nothing.

#if defined(QUORVANE_RTSAN)
extern "C" void __rtsan_realtime_enter();
extern "C" void __rtsan_realtime_exit();
#endif

namespace quorvane::host {

class RealtimeScope final
{
public:
  // any thread; from here until the scope ends, an allocation, free, lock, sleep or file call on this
  // thread stops the rtsan build with a stack trace
  explicit RealtimeScope(bool active = true) : mActive(active)
  {
#if defined(QUORVANE_RTSAN)
    if (mActive)
      __rtsan_realtime_enter();
#endif
  }
  ~RealtimeScope()
  {
#if defined(QUORVANE_RTSAN)
    if (mActive)
      __rtsan_realtime_exit();
#endif
  }
  RealtimeScope(const RealtimeScope&) = delete;
  RealtimeScope& operator=(const RealtimeScope&) = delete;

  static constexpr bool kSanitized =
#if defined(QUORVANE_RTSAN)
      true;
#else
      false;
#endif

private:
  [[maybe_unused]] bool mActive;
};

} // namespace quorvane::host
