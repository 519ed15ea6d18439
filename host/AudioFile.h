#pragma once
// Files the command line reads and writes: float audio through the platform's codec (AudioCodec.h;
// channels kept apart), and output files that appear only when complete (written to a temporary file in
// the same directory, renamed over the target at the end; an error or an early exit leaves the target
// untouched).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorvane::host {

class AudioDecoder;
class AudioEncoder;

// The sample rates this host runs a plug-in at. A file outside them is refused when it is opened: one
// flipped header byte can claim gigahertz, and buffers a second long would follow.
inline constexpr double kLowestSampleRate = 8000.0;
inline constexpr double kHighestSampleRate = 768000.0;
constexpr bool IsRunnableSampleRate(double rate) { return rate >= kLowestSampleRate && rate <= kHighestSampleRate; }
// "sample rate R Hz is outside ...", for an error line
std::string SampleRateRefusal(double rate);

struct Audio
{
  double sampleRate = 0.0;
  std::vector<std::vector<float>> channels; // all the same length

  int64_t Frames() const { return channels.empty() ? 0 : static_cast<int64_t>(channels.front().size()); }
};

// main thread; false with a one-line reason (missing, unreadable, not audio, empty)
bool ReadAudio(const std::string& path, Audio& audio, std::string& error);

// Audio read a run at a time, so a long file never has to be in memory at once.
class AudioSource
{
public:
  virtual ~AudioSource() = default;
  virtual int Channels() const = 0;
  // The length it announces.
  virtual int64_t Frames() const = 0;
  // Up to `frames` frames into channels[c][0..); the count read, 0 at the end, -1 with a reason.
  virtual int64_t Read(float* const* channels, int64_t frames, std::string& error) = 0;
};

// Where audio goes a run at a time.
class AudioSink
{
public:
  virtual ~AudioSink() = default;
  virtual bool Write(const float* const* channels, int64_t frames, std::string& error) = 0;
};

// Audio already in memory (the channels of an Audio, or one channel), read from the start.
class MemorySource final : public AudioSource
{
public:
  explicit MemorySource(const Audio& audio);
  explicit MemorySource(const std::vector<float>& channel);
  int Channels() const override { return static_cast<int>(mChannels.size()); }
  int64_t Frames() const override;
  int64_t Read(float* const* channels, int64_t frames, std::string& error) override;

private:
  std::vector<const std::vector<float>*> mChannels;
  int64_t mPosition = 0;
};

// Appends to the channels of an Audio (created on the first write).
class MemorySink final : public AudioSink
{
public:
  MemorySink(Audio& audio, int channels);
  bool Write(const float* const* channels, int64_t frames, std::string& error) override;

private:
  Audio& mAudio;
};

// A sound file read a run at a time, channels kept apart.
class AudioFileReader final : public AudioSource
{
public:
  AudioFileReader();
  ~AudioFileReader() override;
  AudioFileReader(const AudioFileReader&) = delete;
  AudioFileReader& operator=(const AudioFileReader&) = delete;

  // main thread; false with a one-line reason (missing, unreadable, not audio, unsupported)
  bool Open(const std::string& path, std::string& error);
  int Channels() const override { return mChannels; }
  int64_t Frames() const override { return mFrames; }
  double SampleRate() const { return mSampleRate; }
  // A file that ends before the length its header gives is an error, not a short read.
  int64_t Read(float* const* channels, int64_t frames, std::string& error) override;

private:
  std::unique_ptr<AudioDecoder> mFile;
  std::string mPath;
  int mChannels = 0;
  int64_t mFrames = 0;
  int64_t mPosition = 0;
  double mSampleRate = 0.0;
  std::vector<float> mInterleaved;
};

// main thread
bool ReadBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error, size_t maxBytes);

// An output file under construction. Create makes a temporary beside the target; Commit renames it
// over the target; without Commit the destructor removes the temporary. Audio goes in whole
// (WriteAudio) or a run at a time (BeginAudio, Write as a sink, EndAudio).
class AtomicFile final : public AudioSink
{
public:
  AtomicFile();
  ~AtomicFile() override;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // main thread; false with a reason when the directory is not writable
  bool Create(const std::string& target, std::string& error);
  // main thread; replaces the temporary's contents
  bool WriteBytes(const void* data, size_t size, std::string& error);
  // main thread; float WAV at `sampleRate`
  bool WriteAudio(const Audio& audio, std::string& error);
  // main thread; a float WAV written a run at a time: begin, write, end before Commit
  bool BeginAudio(int channels, double sampleRate, std::string& error);
  bool Write(const float* const* channels, int64_t frames, std::string& error) override;
  bool EndAudio(std::string& error);
  // main thread; the target appears
  bool Commit(std::string& error);

  const std::string& TempPath() const { return mTemp; }

private:
  void Discard();

  std::string mTarget;
  std::string mTemp; // empty when there is none
  std::unique_ptr<AudioEncoder> mAudio;
  int mAudioChannels = 0;
  std::vector<float> mInterleaved;
};

// main thread; the whole file at once through an AtomicFile
bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string& error);

} // namespace quorvane::host
