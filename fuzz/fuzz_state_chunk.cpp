// The state chunk as a host hands it back: Quorvane::ReadState on arbitrary bytes, then SetChunk and
// CompareActiveChunk with arbitrary fSize over a buffer of exactly fDataCapacity bytes (the room the
// host really gave), so any read past that room is an AddressSanitizer report.
//
// Input: int32 fSize, uint32 fDataCapacity (reduced modulo kMaxCapacity + 1), int32 start position for
// a second ReadState, then the data bytes (zero-padded up to the capacity). A short input reads as zeros.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "fuzz/FuzzSupport.h"

namespace {

using namespace quorvane;
using namespace quorvane::fuzz;

constexpr uint32_t kMaxCapacity = 4096;
constexpr size_t kHeaderBytes = 12;

// Where fData starts: the chunk record is not standard-layout, so offsetof is off limits.
size_t DataOffset()
{
  static const AAX_SPlugInChunk probe{};
  return static_cast<size_t>(reinterpret_cast<const char*>(&probe.fData) - reinterpret_cast<const char*>(&probe));
}

// A chunk record whose data area is exactly `capacity` bytes long.
struct ExactChunk
{
  explicit ExactChunk(uint32_t capacity)
    : storage(new char[DataOffset() + capacity])
  {
    std::memset(storage.get(), 0, DataOffset() + capacity);
    new (storage.get()) AAX_SPlugInChunkHeader();
    Header().fDataCapacity = capacity;
  }
  AAX_SPlugInChunkHeader& Header() { return *reinterpret_cast<AAX_SPlugInChunkHeader*>(storage.get()); }
  AAX_SPlugInChunk* Get() { return reinterpret_cast<AAX_SPlugInChunk*>(storage.get()); }
  char* Data() { return storage.get() + DataOffset(); }

  std::unique_ptr<char[]> storage;
};

template <typename T>
T ReadAt(const uint8_t* data, size_t size, size_t pos)
{
  T value{};
  if (pos + sizeof(T) <= size)
    std::memcpy(&value, data + pos, sizeof(T));
  return value;
}

// The current state as GetChunk hands it over, checked against the advertised size.
std::vector<char> SavedState(Quorvane& plugin, AAX_CTypeID id)
{
  uint32_t size = 0;
  FUZZ_CHECK(plugin.GetChunkSize(id, &size) == AAX_SUCCESS);
  FUZZ_CHECK(size == kStateSize);

  iplug::StateBuffer state;
  FUZZ_CHECK(plugin.WriteState(state));
  FUZZ_CHECK(state.Size() == kStateSize);

  // One byte short of room: refused, and nothing written (ASan sees any write past the room).
  ExactChunk tooSmall(kStateSize - 1);
  FUZZ_CHECK(plugin.GetChunk(id, tooSmall.Get()) == AAX_ERROR_INCORRECT_CHUNK_SIZE);

  ExactChunk chunk(kStateSize);
  FUZZ_CHECK(plugin.GetChunk(id, chunk.Get()) == AAX_SUCCESS);
  FUZZ_CHECK(chunk.Header().fSize == kStateSize);
  FUZZ_CHECK(std::memcmp(chunk.Data(), state.GetData(), kStateSize) == 0);

  bool equal = false;
  FUZZ_CHECK(plugin.CompareActiveChunk(chunk.Get(), &equal) == AAX_SUCCESS);
  FUZZ_CHECK(equal);
  return std::vector<char>(chunk.Data(), chunk.Data() + kStateSize);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  Instance& instance = TheInstance();
  Quorvane& plugin = instance.plugin;
  static const std::vector<std::string> ids = instance.ParameterIDs();
  const AAX_CTypeID id = plugin.GetUniqueID();

  const auto claimedSize = ReadAt<int32_t>(data, size, 0);
  const uint32_t capacity = ReadAt<uint32_t>(data, size, 4) % (kMaxCapacity + 1);
  const auto startPos = ReadAt<int32_t>(data, size, 8);
  const uint8_t* payload = size > kHeaderBytes ? data + kHeaderBytes : nullptr;
  const int payloadSize = size > kHeaderBytes ? static_cast<int>(size - kHeaderBytes) : 0;

  // The plug-in's own reader on the bytes alone, from the start and from an arbitrary position.
  const iplug::StateBuffer bytes(payload, payloadSize);
  const int end = plugin.ReadState(bytes, 0);
  FUZZ_CHECK(end == -1 || (end == kStateSize && payloadSize >= kStateSize));
  CheckParameters(instance, ids);
  plugin.ReadState(bytes, startPos);
  CheckParameters(instance, ids);

  // The host's view: the record says fSize, the allocation is fDataCapacity.
  ExactChunk chunk(capacity);
  chunk.Header().fSize = claimedSize;
  chunk.Header().fChunkID = id;
  if (payloadSize > 0)
    std::memcpy(chunk.Data(), payload, std::min<size_t>(capacity, static_cast<size_t>(payloadSize)));

  bool equal = false;
  FUZZ_CHECK(plugin.CompareActiveChunk(chunk.Get(), &equal) == AAX_SUCCESS);
  FUZZ_CHECK(plugin.SetChunk(id + 1, chunk.Get()) == AAX_ERROR_INVALID_CHUNK_ID);
  // What the plug-in may read is the claimed size within the capacity; shorter than a state is damage,
  // reported as such (after restoring the whole values it holds).
  const uint32_t readable = std::min(claimedSize > 0 ? static_cast<uint32_t>(claimedSize) : 0u, capacity);
  FUZZ_CHECK(plugin.SetChunk(id, chunk.Get()) ==
             (readable >= static_cast<uint32_t>(kStateSize) ? AAX_SUCCESS : AAX_ERROR_INCORRECT_CHUNK_SIZE));
  FUZZ_CHECK(plugin.CompareActiveChunk(chunk.Get(), &equal) == AAX_SUCCESS);
  CheckParameters(instance, ids);

  // Saving what was loaded, loading that and saving again gives the same bytes.
  const std::vector<char> first = SavedState(plugin, id);
  ExactChunk again(kStateSize);
  again.Header().fSize = kStateSize;
  again.Header().fChunkID = id;
  std::memcpy(again.Data(), first.data(), kStateSize);
  FUZZ_CHECK(plugin.SetChunk(id, again.Get()) == AAX_SUCCESS);
  CheckParameters(instance, ids);
  FUZZ_CHECK(SavedState(plugin, id) == first);

  instance.ForgetHostCalls();
  return 0;
}
