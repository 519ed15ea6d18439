#include "IPlug/StateBuffer.h"

namespace iplug {

int StateBuffer::PutBytes(const void* data, int size)
{
  if (data != nullptr && size > 0)
  {
    const auto* bytes = static_cast<const uint8_t*>(data);
    mBytes.insert(mBytes.end(), bytes, bytes + size);
  }
  return Size();
}

int StateBuffer::GetBytes(void* out, int size, int pos) const
{
  // Compared in 64 bits so pos + size cannot overflow.
  if (pos < 0 || size < 0 || static_cast<int64_t>(pos) + size > static_cast<int64_t>(mBytes.size()))
  {
    if (size > 0)
      std::memset(out, 0, static_cast<size_t>(size));
    return -1;
  }
  if (size > 0)
    std::memcpy(out, mBytes.data() + pos, static_cast<size_t>(size));
  return pos + size;
}

} // namespace iplug
