#pragma once
// The sound-file codec under AudioFile.h: interleaved float frames from and to files on disk, one
// implementation per platform (libsndfile on Linux, AudioFileSndfile.cpp; the RIFF functions of winmm on
// Windows, AudioFileWin.cpp). Files are read in whatever PCM or float encoding the codec knows and written
// as 32-bit float WAV. Main thread.

#include <cstdint>
#include <memory>
#include <string>

namespace quorvane::host {

// Far beyond any file this program is meant for; keeps a corrupt header from asking for everything.
inline constexpr int64_t kMaxAudioSamples = int64_t(1) << 31;

class AudioDecoder
{
public:
  // null with the reason after "cannot read PATH: " in `why` (not audio, unsupported encoding)
  static std::unique_ptr<AudioDecoder> Open(const std::string& path, std::string& why);
  virtual ~AudioDecoder() = default;

  int Channels() const { return mChannels; }
  // The whole frames the file holds (a file cut short of its header's length holds fewer).
  int64_t Frames() const { return mFrames; }
  double SampleRate() const { return mSampleRate; }
  // Exactly `frames` frames into `interleaved`; false when the file ends or fails first.
  virtual bool Read(float* interleaved, int64_t frames) = 0;

protected:
  int mChannels = 0;
  int64_t mFrames = 0;
  double mSampleRate = 0.0;
};

class AudioEncoder
{
public:
  // An empty float WAV at `path` (created or truncated); null with the reason after "cannot write PATH: "
  static std::unique_ptr<AudioEncoder> Create(const std::string& path, int channels, double sampleRate,
                                              std::string& why);
  virtual ~AudioEncoder() = default;

  virtual bool Write(const float* interleaved, int64_t frames, std::string& why) = 0;
  // Writes the header's sizes and closes the file; without it the file is unfinished.
  virtual bool Finish(std::string& why) = 0;
};

} // namespace quorvane::host
