#pragma once
// Counts heap allocations made on the calling thread while a scope is alive. The test executables
// replace the global operator new (and, outside AddressSanitizer builds, malloc and friends) so that
// a test can prove a code path allocation-free instead of promising it.

namespace quorvane::test {

class AllocationScope
{
public:
  AllocationScope();
  ~AllocationScope();
  AllocationScope(const AllocationScope&) = delete;
  AllocationScope& operator=(const AllocationScope&) = delete;

  // Allocations seen on this thread since the scope began.
  long Count() const;

private:
  long mStart;
};

// Whether malloc/calloc/realloc are counted too (false under AddressSanitizer, which owns malloc).
bool CountsMalloc();

} // namespace quorvane::test
