#pragma once
// A growable byte buffer for the plug-in state: typed little-endian appends at the end, and positioned
// reads that report failure as position -1 (after which every read fails the same way), so damaged or
// short state can be read without any bounds logic at the call site.

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

namespace iplug {

// The state layout is defined as the in-memory bytes of little-endian values.
static_assert(std::endian::native == std::endian::little, "state bytes are little-endian");

class StateBuffer
{
public:
  StateBuffer() = default;
  StateBuffer(const void* data, int size) { PutBytes(data, size); }

  int Size() const { return static_cast<int>(mBytes.size()); }
  const uint8_t* GetData() const { return mBytes.data(); }
  uint8_t* GetData() { return mBytes.data(); }
  void Clear() { mBytes.clear(); }
  void Resize(int size) { mBytes.resize(size > 0 ? static_cast<size_t>(size) : 0); }

  // Appends `size` bytes; returns the new size. Nothing is appended for a null pointer or size <= 0.
  int PutBytes(const void* data, int size);

  template <typename T>
  int Put(const T& value)
  {
    static_assert(std::is_trivially_copyable_v<T>);
    return PutBytes(&value, static_cast<int>(sizeof(T)));
  }

  // Reads `size` bytes at `pos` into `out`. Returns the position after them, or -1 (and zero-fills
  // `out`) when they are not all there.
  int GetBytes(void* out, int size, int pos) const;

  template <typename T>
  int Get(T& value, int pos) const
  {
    static_assert(std::is_trivially_copyable_v<T>);
    return GetBytes(&value, static_cast<int>(sizeof(T)), pos);
  }

  bool operator==(const StateBuffer& other) const { return mBytes == other.mBytes; }

private:
  std::vector<uint8_t> mBytes;
};

} // namespace iplug
