#include "host/AudioFile.h"

#include "host/AudioCodec.h"
#include "host/HostPlatform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quorvane::host {

// Frames per codec call: a run's worth of interleaved samples stays in the cache.
constexpr int64_t kChunkFrames = 4096;

// Frames of interleaved samples to and from channels[c][at..]; stereo, the usual case, in one pass.
void Deinterleave(const float* from, int channels, int64_t frames, float* const* to, int64_t at)
{
  if (channels == 2)
  {
    float* left = to[0] + at;
    float* right = to[1] + at;
    for (int64_t f = 0; f < frames; ++f)
    {
      left[f] = from[2 * f];
      right[f] = from[2 * f + 1];
    }
    return;
  }
  for (int c = 0; c < channels; ++c)
    for (int64_t f = 0; f < frames; ++f)
      to[c][at + f] = from[f * channels + c];
}

void Interleave(const float* const* from, int64_t at, int channels, int64_t frames, float* to)
{
  if (channels == 2)
  {
    const float* left = from[0] + at;
    const float* right = from[1] + at;
    for (int64_t f = 0; f < frames; ++f)
    {
      to[2 * f] = left[f];
      to[2 * f + 1] = right[f];
    }
    return;
  }
  for (int c = 0; c < channels; ++c)
    for (int64_t f = 0; f < frames; ++f)
      to[f * channels + c] = from[c][at + f];
}

std::string SampleRateRefusal(double rate)
{
  char text[160];
  std::snprintf(text, sizeof text, "a sample rate of %.0f Hz is outside the %.0f to %.0f Hz this host runs", rate,
                kLowestSampleRate, kHighestSampleRate);
  return text;
}

bool ReadAudio(const std::string& path, Audio& audio, std::string& error)
{
  AudioFileReader reader;
  if (!reader.Open(path, error))
    return false;
  audio.sampleRate = reader.SampleRate();
  audio.channels.assign(static_cast<size_t>(reader.Channels()), {});
  for (auto& channel : audio.channels)
    channel.resize(static_cast<size_t>(reader.Frames()));
  std::vector<float*> at(audio.channels.size());
  for (int64_t done = 0; done < reader.Frames();)
  {
    for (size_t c = 0; c < at.size(); ++c)
      at[c] = audio.channels[c].data() + done;
    const int64_t got = reader.Read(at.data(), reader.Frames() - done, error);
    if (got <= 0)
    {
      if (got == 0)
        error = "cannot read " + path + ": file is shorter than its header says";
      return false;
    }
    done += got;
  }
  return true;
}

AudioFileReader::AudioFileReader() = default;

AudioFileReader::~AudioFileReader() = default;

bool AudioFileReader::Open(const std::string& path, std::string& error)
{
  if (platform::IsDirectory(path))
  {
    error = "cannot read " + path + ": it is a directory";
    return false;
  }
  // A missing or forbidden file in the C library's words, the same on every platform.
  FILE* probe = std::fopen(path.c_str(), "rb");
  if (!probe)
  {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  std::fclose(probe);
  std::string why;
  auto file = AudioDecoder::Open(path, why);
  if (!file)
  {
    error = "cannot read " + path + ": " + why;
    return false;
  }
  if (!IsRunnableSampleRate(file->SampleRate()))
  {
    error = path + ": " + SampleRateRefusal(file->SampleRate());
    return false;
  }
  mFile = std::move(file);
  mPath = path;
  mChannels = mFile->Channels();
  mFrames = mFile->Frames();
  mPosition = 0;
  mSampleRate = mFile->SampleRate();
  mInterleaved.assign(static_cast<size_t>(kChunkFrames * mChannels), 0.0f);
  return true;
}

int64_t AudioFileReader::Read(float* const* channels, int64_t frames, std::string& error)
{
  if (!mFile)
  {
    error = "no file is open";
    return -1;
  }
  frames = std::min(frames, mFrames - mPosition);
  int64_t done = 0;
  while (done < frames)
  {
    const int64_t want = std::min(kChunkFrames, frames - done);
    if (!mFile->Read(mInterleaved.data(), want))
    {
      error = "cannot read " + mPath + ": file is shorter than its header says";
      return -1;
    }
    Deinterleave(mInterleaved.data(), mChannels, want, channels, done);
    done += want;
  }
  mPosition += done;
  return done;
}

MemorySource::MemorySource(const Audio& audio)
{
  for (const auto& c : audio.channels)
    mChannels.push_back(&c);
}

MemorySource::MemorySource(const std::vector<float>& channel) : mChannels{&channel} {}

int64_t MemorySource::Frames() const
{
  return mChannels.empty() ? 0 : static_cast<int64_t>(mChannels.front()->size());
}

int64_t MemorySource::Read(float* const* channels, int64_t frames, std::string&)
{
  const int64_t n = std::max<int64_t>(0, std::min(frames, Frames() - mPosition));
  for (size_t c = 0; c < mChannels.size(); ++c)
    std::copy_n(mChannels[c]->data() + mPosition, n, channels[c]);
  mPosition += n;
  return n;
}

MemorySink::MemorySink(Audio& audio, int channels) : mAudio(audio)
{
  mAudio.channels.assign(static_cast<size_t>(std::max(channels, 0)), {});
}

bool MemorySink::Write(const float* const* channels, int64_t frames, std::string&)
{
  for (size_t c = 0; c < mAudio.channels.size(); ++c)
    mAudio.channels[c].insert(mAudio.channels[c].end(), channels[c], channels[c] + frames);
  return true;
}

bool ReadBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error, size_t maxBytes)
{
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f)
  {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  bytes.clear();
  unsigned char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0)
  {
    if (bytes.size() + n > maxBytes)
    {
      std::fclose(f);
      error = "cannot use " + path + ": larger than " + std::to_string(maxBytes) + " bytes";
      return false;
    }
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed)
  {
    error = "cannot read " + path;
    return false;
  }
  return true;
}

AtomicFile::AtomicFile() = default;

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Discard()
{
  mAudio.reset();
  if (!mTemp.empty())
    platform::RemoveFile(mTemp);
  mTemp.clear();
}

bool AtomicFile::Create(const std::string& target, std::string& error)
{
  Discard();
  if (platform::IsDirectory(target))
  {
    error = "cannot write " + target + ": it is a directory";
    return false;
  }
  mTarget = target;
  return platform::CreateTemporaryBeside(target, mTemp, error);
}

bool AtomicFile::WriteBytes(const void* data, size_t size, std::string& error)
{
  if (mTemp.empty() || mAudio)
  {
    error = "cannot write " + mTarget;
    return false;
  }
  FILE* f = std::fopen(mTemp.c_str(), "wb");
  const bool written = f && std::fwrite(data, 1, size, f) == size;
  const int why = errno;
  if (!f || std::fclose(f) != 0 || !written)
  {
    error = "cannot write " + mTarget + ": " + std::strerror(written ? errno : why);
    return false;
  }
  return true;
}

bool AtomicFile::BeginAudio(int channels, double sampleRate, std::string& error)
{
  if (mTemp.empty() || mAudio || channels < 1 || sampleRate < 1.0)
  {
    error = "cannot write " + mTarget + ": no audio";
    return false;
  }
  std::string why;
  mAudio = AudioEncoder::Create(mTemp, channels, sampleRate, why);
  if (!mAudio)
  {
    error = "cannot write " + mTarget + ": " + why;
    return false;
  }
  mAudioChannels = channels;
  mInterleaved.assign(static_cast<size_t>(kChunkFrames * channels), 0.0f);
  return true;
}

bool AtomicFile::Write(const float* const* channels, int64_t frames, std::string& error)
{
  if (!mAudio)
  {
    error = "cannot write " + mTarget + ": no audio";
    return false;
  }
  for (int64_t start = 0; start < frames; start += kChunkFrames)
  {
    const int64_t count = std::min<int64_t>(kChunkFrames, frames - start);
    Interleave(channels, start, mAudioChannels, count, mInterleaved.data());
    std::string why;
    if (!mAudio->Write(mInterleaved.data(), count, why))
    {
      error = "cannot write " + mTarget + ": " + why;
      return false;
    }
  }
  return true;
}

bool AtomicFile::EndAudio(std::string& error)
{
  if (!mAudio)
  {
    error = "cannot write " + mTarget + ": no audio";
    return false;
  }
  std::string why;
  const bool ok = mAudio->Finish(why);
  mAudio.reset();
  if (!ok)
    error = "cannot write " + mTarget + ": " + why;
  return ok;
}

bool AtomicFile::WriteAudio(const Audio& audio, std::string& error)
{
  const int channels = static_cast<int>(audio.channels.size());
  if (!BeginAudio(channels, audio.sampleRate, error))
    return false;
  std::vector<const float*> at(audio.channels.size());
  for (size_t c = 0; c < at.size(); ++c)
    at[c] = audio.channels[c].data();
  if (!Write(at.data(), audio.Frames(), error))
  {
    std::string ignored;
    EndAudio(ignored);
    return false;
  }
  return EndAudio(error);
}

bool AtomicFile::Commit(std::string& error)
{
  if (mTemp.empty() || mAudio)
  {
    error = "cannot write " + mTarget + (mAudio ? ": the audio was not finished" : "");
    return false;
  }
  if (!platform::MoveOver(mTemp, mTarget, error))
  {
    Discard();
    return false;
  }
  mTemp.clear();
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string& error)
{
  AtomicFile file;
  return file.Create(path, error) && file.WriteBytes(contents.data(), contents.size(), error) && file.Commit(error);
}

} // namespace quorvane::host
