// The sound-file codec on Windows: WAV through the RIFF functions of winmm (mmioOpen, mmioDescend,
// mmioRead, mmioCreateChunk, mmioAscend). It reads 8/16/24/32-bit PCM and 32/64-bit float WAV (plain or
// WAVE_FORMAT_EXTENSIBLE) as libsndfile would, normalised to +-1, and writes 32-bit float WAV.

#include "host/AudioCodec.h"

#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace quorvane::host {

namespace {

constexpr WORD kFormatPcm = 1;
constexpr WORD kFormatFloat = 3;
constexpr WORD kFormatExtensible = 0xFFFE;

uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

// What "fmt " says, the extensible form's sub-format folded into the tag.
struct WaveFormat
{
  WORD tag = 0;
  int channels = 0;
  uint32_t rate = 0;
  int blockAlign = 0;
  int bits = 0;
};

bool ParseFormat(const unsigned char* fmt, LONG size, WaveFormat& f)
{
  if (size < 16)
    return false;
  f.tag = U16(fmt);
  f.channels = U16(fmt + 2);
  f.rate = U32(fmt + 4);
  f.blockAlign = U16(fmt + 12);
  f.bits = U16(fmt + 14);
  // WAVEFORMATEXTENSIBLE: the sub-format GUID starts with the real tag.
  if (f.tag == kFormatExtensible && size >= 40)
    f.tag = U16(fmt + 24);
  return true;
}

class MmioDecoder final : public AudioDecoder
{
public:
  MmioDecoder(HMMIO file, const WaveFormat& format, int64_t frames) : mFile(file), mFormat(format)
  {
    mChannels = format.channels;
    mFrames = frames;
    mSampleRate = format.rate;
  }
  ~MmioDecoder() override { mmioClose(mFile, 0); }
  MmioDecoder(const MmioDecoder&) = delete;
  MmioDecoder& operator=(const MmioDecoder&) = delete;

  bool Read(float* interleaved, int64_t frames) override
  {
    const int64_t bytes = frames * mFormat.blockAlign;
    if (bytes > 0x7FFFFFFF)
      return false;
    mBytes.resize(static_cast<size_t>(bytes));
    if (mmioRead(mFile, reinterpret_cast<HPSTR>(mBytes.data()), static_cast<LONG>(bytes)) != bytes)
      return false;
    Convert(mBytes.data(), static_cast<size_t>(frames * mChannels), interleaved);
    return true;
  }

private:
  // Samples to floats the way libsndfile normalises them: integers over 2^(bits-1), 8-bit unsigned.
  void Convert(const unsigned char* p, size_t samples, float* out) const
  {
    const int width = mFormat.bits / 8;
    if (mFormat.tag == kFormatFloat && width == 4)
    {
      std::memcpy(out, p, samples * sizeof(float));
      return;
    }
    for (size_t i = 0; i < samples; ++i, p += width)
    {
      if (mFormat.tag == kFormatFloat)
      {
        double d;
        std::memcpy(&d, p, sizeof d);
        out[i] = static_cast<float>(d);
      }
      else if (width == 1)
        out[i] = static_cast<float>(p[0] - 128) * (1.0f / 128.0f);
      else if (width == 2)
        out[i] = static_cast<float>(static_cast<int16_t>(U16(p))) * (1.0f / 32768.0f);
      else
      {
        // 24 and 32 bits alike: the sample in the top bits of a 32-bit integer, over 2^31.
        const uint32_t top = width == 3 ? (p[0] << 8 | p[1] << 16 | static_cast<uint32_t>(p[2]) << 24) : U32(p);
        out[i] = static_cast<float>(static_cast<double>(static_cast<int32_t>(top)) * (1.0 / 2147483648.0));
      }
    }
  }

  HMMIO mFile;
  WaveFormat mFormat;
  std::vector<unsigned char> mBytes;
};

class MmioEncoder final : public AudioEncoder
{
public:
  MmioEncoder(HMMIO file, int channels, MMCKINFO riff, MMCKINFO data, LONG factAt)
    : mFile(file), mChannels(channels), mRiff(riff), mData(data), mFactAt(factAt)
  {
  }
  ~MmioEncoder() override
  {
    if (mFile)
      mmioClose(mFile, 0);
  }
  MmioEncoder(const MmioEncoder&) = delete;
  MmioEncoder& operator=(const MmioEncoder&) = delete;

  bool Write(const float* interleaved, int64_t frames, std::string& why) override
  {
    const int64_t bytes = frames * mChannels * static_cast<int64_t>(sizeof(float));
    // RIFF sizes are 32 bits: the header, the format and the data must fit under 4 GiB.
    if (mBytes + bytes > 0xFFFFFF00LL || bytes > 0x7FFFFFFF)
    {
      why = "longer than a WAV file can hold";
      return false;
    }
    if (!mFile || mmioWrite(mFile, reinterpret_cast<const char*>(interleaved), static_cast<LONG>(bytes)) != bytes)
    {
      why = "the disk did not take the audio";
      return false;
    }
    mBytes += bytes;
    return true;
  }

  bool Finish(std::string& why) override
  {
    if (!mFile)
    {
      why = "the file is closed";
      return false;
    }
    // Ascending writes each chunk's size; the fact chunk's frame count is filled in last.
    const uint32_t frames = static_cast<uint32_t>(mBytes / (mChannels * static_cast<int64_t>(sizeof(float))));
    const bool ok = mmioAscend(mFile, &mData, 0) == MMSYSERR_NOERROR &&
                    mmioAscend(mFile, &mRiff, 0) == MMSYSERR_NOERROR && mmioSeek(mFile, mFactAt, SEEK_SET) == mFactAt &&
                    mmioWrite(mFile, reinterpret_cast<const char*>(&frames), sizeof frames) == sizeof frames;
    const bool closed = mmioClose(mFile, 0) == MMSYSERR_NOERROR;
    mFile = nullptr;
    if (!ok || !closed)
      why = "the file could not be finished";
    return ok && closed;
  }

private:
  HMMIO mFile;
  int mChannels;
  MMCKINFO mRiff;
  MMCKINFO mData;
  LONG mFactAt;
  int64_t mBytes = 0;
};

// Writes one small chunk whole; its data's file offset in `at` when given.
bool WriteChunk(HMMIO file, FOURCC id, const void* data, LONG size, LONG* at = nullptr)
{
  MMCKINFO chunk{};
  chunk.ckid = id;
  chunk.cksize = static_cast<DWORD>(size);
  if (mmioCreateChunk(file, &chunk, 0) != MMSYSERR_NOERROR)
    return false;
  if (at)
    *at = static_cast<LONG>(chunk.dwDataOffset);
  return mmioWrite(file, static_cast<const char*>(data), size) == size &&
         mmioAscend(file, &chunk, 0) == MMSYSERR_NOERROR;
}

} // namespace

std::unique_ptr<AudioDecoder> AudioDecoder::Open(const std::string& path, std::string& why)
{
  HMMIO file = mmioOpenA(const_cast<char*>(path.c_str()), nullptr, MMIO_READ | MMIO_ALLOCBUF | MMIO_DENYWRITE);
  if (!file)
    file = mmioOpenA(const_cast<char*>(path.c_str()), nullptr, MMIO_READ | MMIO_ALLOCBUF);
  if (!file)
  {
    why = "the file cannot be opened";
    return nullptr;
  }
  auto fail = [&](std::string reason) -> std::unique_ptr<AudioDecoder> {
    mmioClose(file, 0);
    why = std::move(reason);
    return nullptr;
  };
  const LONG fileSize = mmioSeek(file, 0, SEEK_END);
  if (fileSize < 0 || mmioSeek(file, 0, SEEK_SET) != 0)
    return fail("the file cannot be read");

  // libsndfile's words for a file that is not one it knows.
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  if (mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR)
    return fail("Format not recognised.");
  MMCKINFO fmt{};
  fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
  unsigned char format[40] = {};
  if (mmioDescend(file, &fmt, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
    return fail("the WAV file has no format chunk");
  const LONG formatSize = static_cast<LONG>(std::min<DWORD>(fmt.cksize, sizeof format));
  WaveFormat f;
  if (mmioRead(file, reinterpret_cast<HPSTR>(format), formatSize) != formatSize ||
      !ParseFormat(format, formatSize, f) || mmioAscend(file, &fmt, 0) != MMSYSERR_NOERROR)
    return fail("the WAV file's format chunk is damaged");
  const bool pcm = f.tag == kFormatPcm && (f.bits == 8 || f.bits == 16 || f.bits == 24 || f.bits == 32);
  const bool floating = f.tag == kFormatFloat && (f.bits == 32 || f.bits == 64);
  if (!pcm && !floating)
  {
    char reason[128];
    std::snprintf(reason, sizeof reason,
                  "unsupported WAV encoding (format 0x%04X, %d bits): 8/16/24/32-bit PCM and float WAV are read",
                  f.tag, f.bits);
    return fail(reason);
  }
  if (f.channels < 1 || f.rate < 1 || f.blockAlign != f.channels * (f.bits / 8))
    return fail("unsupported channel count, rate or length");
  MMCKINFO data{};
  data.ckid = mmioFOURCC('d', 'a', 't', 'a');
  if (mmioDescend(file, &data, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
    return fail("the WAV file has no data chunk");
  // A file cut short holds fewer frames than its header says: those it holds are what it has.
  const int64_t after = static_cast<int64_t>(fileSize) - data.dwDataOffset;
  const int64_t held = std::min<int64_t>(data.cksize, std::max<int64_t>(0, after));
  const int64_t frames = held / f.blockAlign;
  if (frames > kMaxAudioSamples / f.channels)
    return fail("unsupported channel count, rate or length");
  return std::make_unique<MmioDecoder>(file, f, frames);
}

std::unique_ptr<AudioEncoder> AudioEncoder::Create(const std::string& path, int channels, double sampleRate,
                                                   std::string& why)
{
  if (channels < 1 || channels > 0xFFFF / 4 || !(sampleRate >= 1.0 && sampleRate < 4294967296.0))
  {
    why = "unsupported channel count or rate";
    return nullptr;
  }
  HMMIO file = mmioOpenA(const_cast<char*>(path.c_str()), nullptr, MMIO_CREATE | MMIO_WRITE | MMIO_ALLOCBUF);
  if (!file)
  {
    why = "the file cannot be created";
    return nullptr;
  }
  static_assert(sizeof(WAVEFORMATEX) == 18, "the format chunk is the packed WAVEFORMATEX");
  // WAVEFORMATEX for IEEE float, then the fact chunk every non-PCM WAV carries, then the data chunk.
  const auto rate = static_cast<uint32_t>(sampleRate);
  WAVEFORMATEX format{};
  format.wFormatTag = kFormatFloat;
  format.nChannels = static_cast<WORD>(channels);
  format.nSamplesPerSec = rate;
  format.nBlockAlign = static_cast<WORD>(channels * 4);
  format.nAvgBytesPerSec = rate * format.nBlockAlign;
  format.wBitsPerSample = 32;
  format.cbSize = 0;
  const uint32_t noFrames = 0;
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  MMCKINFO data{};
  data.ckid = mmioFOURCC('d', 'a', 't', 'a');
  LONG factAt = 0;
  if (mmioCreateChunk(file, &riff, MMIO_CREATERIFF) != MMSYSERR_NOERROR ||
      !WriteChunk(file, mmioFOURCC('f', 'm', 't', ' '), &format, sizeof format) ||
      !WriteChunk(file, mmioFOURCC('f', 'a', 'c', 't'), &noFrames, sizeof noFrames, &factAt) ||
      mmioCreateChunk(file, &data, 0) != MMSYSERR_NOERROR)
  {
    mmioClose(file, 0);
    why = "the file cannot be written";
    return nullptr;
  }
  return std::make_unique<MmioEncoder>(file, channels, riff, data, factAt);
}

} // namespace quorvane::host
