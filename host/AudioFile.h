#pragma once
// Files the command line reads and writes: float audio through libsndfile (channels kept apart), and
// output files that appear only when complete (written to a temporary file in the same directory,
// renamed over the target at the end; an error or an early exit leaves the target untouched).

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::host {

struct Audio
{
  double sampleRate = 0.0;
  std::vector<std::vector<float>> channels; // all the same length

  int64_t Frames() const { return channels.empty() ? 0 : static_cast<int64_t>(channels.front().size()); }
};

// main thread; false with a one-line reason (missing, unreadable, not audio, empty)
bool ReadAudio(const std::string& path, Audio& audio, std::string& error);

// main thread
bool ReadBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error, size_t maxBytes);

// An output file under construction. Create opens a temporary beside the target; Commit renames it
// over the target; without Commit the destructor removes the temporary.
class AtomicFile final
{
public:
  AtomicFile() = default;
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // main thread; false with a reason when the directory is not writable
  bool Create(const std::string& target, std::string& error);
  // main thread; replaces the temporary's contents
  bool WriteBytes(const void* data, size_t size, std::string& error);
  // main thread; float WAV at `sampleRate`
  bool WriteAudio(const Audio& audio, std::string& error);
  // main thread; the target appears
  bool Commit(std::string& error);

  const std::string& TempPath() const { return mTemp; }

private:
  void Discard();

  std::string mTarget;
  std::string mTemp;
  int mFd = -1;
};

// main thread; the whole file at once through an AtomicFile
bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string& error);

} // namespace quorvane::host
