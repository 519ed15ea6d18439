// The sound-file codec on Linux: libsndfile, which reads every format it knows as float.

#include "host/AudioCodec.h"

#include <sndfile.h>

namespace quorvane::host {

namespace {

class SndfileDecoder final : public AudioDecoder
{
public:
  SndfileDecoder(SNDFILE* file, const SF_INFO& info) : mFile(file)
  {
    mChannels = info.channels;
    mFrames = info.frames;
    mSampleRate = info.samplerate;
  }
  ~SndfileDecoder() override { sf_close(mFile); }
  SndfileDecoder(const SndfileDecoder&) = delete;
  SndfileDecoder& operator=(const SndfileDecoder&) = delete;

  bool Read(float* interleaved, int64_t frames) override
  {
    return sf_readf_float(mFile, interleaved, frames) == frames;
  }

private:
  SNDFILE* mFile;
};

class SndfileEncoder final : public AudioEncoder
{
public:
  explicit SndfileEncoder(SNDFILE* file) : mFile(file) {}
  ~SndfileEncoder() override
  {
    if (mFile)
      sf_close(mFile);
  }
  SndfileEncoder(const SndfileEncoder&) = delete;
  SndfileEncoder& operator=(const SndfileEncoder&) = delete;

  bool Write(const float* interleaved, int64_t frames, std::string& why) override
  {
    if (mFile && sf_writef_float(mFile, interleaved, frames) == frames)
      return true;
    why = mFile ? sf_strerror(mFile) : "the file is closed";
    return false;
  }

  bool Finish(std::string& why) override
  {
    // Closing writes the header's sizes.
    const bool ok = mFile && sf_close(mFile) == 0;
    mFile = nullptr;
    if (!ok)
      why = "the file could not be finished";
    return ok;
  }

private:
  SNDFILE* mFile;
};

} // namespace

std::unique_ptr<AudioDecoder> AudioDecoder::Open(const std::string& path, std::string& why)
{
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file)
  {
    why = sf_strerror(nullptr);
    return nullptr;
  }
  if (info.channels < 1 || info.samplerate < 1 || info.frames < 0 || info.frames > kMaxAudioSamples / info.channels)
  {
    sf_close(file);
    why = "unsupported channel count, rate or length";
    return nullptr;
  }
  return std::make_unique<SndfileDecoder>(file, info);
}

std::unique_ptr<AudioEncoder> AudioEncoder::Create(const std::string& path, int channels, double sampleRate,
                                                   std::string& why)
{
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = static_cast<int>(sampleRate);
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file)
  {
    why = sf_strerror(nullptr);
    return nullptr;
  }
  return std::make_unique<SndfileEncoder>(file);
}

} // namespace quorvane::host
