#include "tests/support/AllocationCounter.h"

#include <cstdlib>
#include <new>

// AddressSanitizer and ThreadSanitizer intercept malloc themselves; interposing it too would clash.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUORVANE_COUNT_MALLOC 0
#else
#define QUORVANE_COUNT_MALLOC 1
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
}
#endif

namespace {
// Plain thread-locals in the executable: initial-exec TLS, so reading them never allocates.
thread_local int tScopes = 0;
thread_local long tAllocations = 0;

inline void Note()
{
  if (tScopes > 0)
    ++tAllocations;
}

void* CountedNew(std::size_t size)
{
  Note();
#if QUORVANE_COUNT_MALLOC
  if (void* p = __libc_malloc(size ? size : 1))
#else
  if (void* p = std::malloc(size ? size : 1))
#endif
    return p;
  throw std::bad_alloc();
}

void* CountedAlignedNew(std::size_t size, std::align_val_t align)
{
  Note();
  const std::size_t a = static_cast<std::size_t>(align);
  const std::size_t rounded = (size + a - 1) / a * a;
  if (void* p = std::aligned_alloc(a, rounded ? rounded : a))
    return p;
  throw std::bad_alloc();
}
} // namespace

#if QUORVANE_COUNT_MALLOC
// The normal build interposes glibc's allocator so C-style allocations in our code are counted too.
extern "C" {
void* malloc(std::size_t size)
{
  Note();
  return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size)
{
  Note();
  return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t size)
{
  Note();
  return __libc_realloc(p, size);
}
}
#endif

void* operator new(std::size_t size) { return CountedNew(size); }
void* operator new[](std::size_t size) { return CountedNew(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
  try { return CountedNew(size); } catch (...) { return nullptr; }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
  try { return CountedNew(size); } catch (...) { return nullptr; }
}
void* operator new(std::size_t size, std::align_val_t a) { return CountedAlignedNew(size, a); }
void* operator new[](std::size_t size, std::align_val_t a) { return CountedAlignedNew(size, a); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

namespace quorvane::test {

AllocationScope::AllocationScope()
  : mStart(tAllocations)
{
  ++tScopes;
}

AllocationScope::~AllocationScope() { --tScopes; }

long AllocationScope::Count() const { return tAllocations - mStart; }

bool CountsMalloc() { return QUORVANE_COUNT_MALLOC != 0; }

} // namespace quorvane::test
