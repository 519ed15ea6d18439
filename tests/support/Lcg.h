#pragma once
// A reproducible noise source that does not depend on the standard library's distributions, so test
// signals (and the golden hashes made from them) are the same with every standard library.

#include <cstdint>

namespace quorvane::test {

class Lcg
{
public:
  explicit Lcg(uint64_t seed = 0x5EED) : mState(seed) {}

  // Uniform in [-1, 1).
  double Next()
  {
    mState = mState * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(mState >> 11) / 9007199254740992.0 * 2.0 - 1.0;
  }

private:
  uint64_t mState;
};

} // namespace quorvane::test
