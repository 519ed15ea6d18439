#include "host/AudioFile.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

namespace quorvane::host {

namespace {

// Far beyond any file this program is meant for; keeps a corrupt header from asking for everything.
constexpr sf_count_t kMaxFrames = sf_count_t(1) << 31;

} // namespace

bool ReadAudio(const std::string& path, Audio& audio, std::string& error)
{
  struct stat st{};
  if (stat(path.c_str(), &st) != 0)
  {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode))
  {
    error = "cannot read " + path + ": it is a directory";
    return false;
  }
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file)
  {
    error = "cannot read " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  if (info.channels < 1 || info.samplerate < 1 || info.frames < 0 || info.frames > kMaxFrames / info.channels)
  {
    sf_close(file);
    error = "cannot read " + path + ": unsupported channel count, rate or length";
    return false;
  }
  std::vector<float> interleaved(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
  const sf_count_t got = sf_readf_float(file, interleaved.data(), info.frames);
  sf_close(file);
  if (got != info.frames)
  {
    error = "cannot read " + path + ": file is shorter than its header says";
    return false;
  }
  audio.sampleRate = info.samplerate;
  audio.channels.assign(static_cast<size_t>(info.channels), std::vector<float>(static_cast<size_t>(info.frames)));
  for (sf_count_t f = 0; f < info.frames; ++f)
    for (int c = 0; c < info.channels; ++c)
      audio.channels[static_cast<size_t>(c)][static_cast<size_t>(f)] =
          interleaved[static_cast<size_t>(f) * static_cast<size_t>(info.channels) + static_cast<size_t>(c)];
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

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Discard()
{
  if (mFd >= 0)
    ::close(mFd);
  mFd = -1;
  if (!mTemp.empty())
    ::unlink(mTemp.c_str());
  mTemp.clear();
}

bool AtomicFile::Create(const std::string& target, std::string& error)
{
  Discard();
  struct stat st{};
  if (stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
  {
    error = "cannot write " + target + ": it is a directory";
    return false;
  }
  mTarget = target;
  std::string pattern = target + ".tmp-XXXXXX";
  mFd = ::mkstemp(pattern.data());
  if (mFd < 0)
  {
    error = "cannot write " + target + ": " + std::strerror(errno);
    return false;
  }
  ::fchmod(mFd, 0644);
  mTemp = pattern;
  return true;
}

bool AtomicFile::WriteBytes(const void* data, size_t size, std::string& error)
{
  if (mFd < 0 || ::ftruncate(mFd, 0) != 0 || ::lseek(mFd, 0, SEEK_SET) != 0)
  {
    error = "cannot write " + mTarget;
    return false;
  }
  const auto* p = static_cast<const char*>(data);
  while (size > 0)
  {
    const ssize_t n = ::write(mFd, p, size);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
    {
      error = "cannot write " + mTarget + ": " + std::strerror(errno);
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool AtomicFile::WriteAudio(const Audio& audio, std::string& error)
{
  const int channels = static_cast<int>(audio.channels.size());
  if (mFd < 0 || channels < 1 || audio.sampleRate < 1.0)
  {
    error = "cannot write " + mTarget + ": no audio";
    return false;
  }
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = static_cast<int>(audio.sampleRate);
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  // libsndfile gets its own descriptor so that closing it leaves ours for Commit.
  const int fd = ::dup(mFd);
  SNDFILE* file = fd >= 0 ? sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE) : nullptr;
  if (!file)
  {
    if (fd >= 0)
      ::close(fd);
    error = "cannot write " + mTarget + ": " + sf_strerror(nullptr);
    return false;
  }
  const int64_t frames = audio.Frames();
  std::vector<float> interleaved(4096 * static_cast<size_t>(channels));
  bool ok = true;
  for (int64_t start = 0; start < frames && ok; start += 4096)
  {
    const int64_t n = std::min<int64_t>(4096, frames - start);
    for (int64_t f = 0; f < n; ++f)
      for (int c = 0; c < channels; ++c)
        interleaved[static_cast<size_t>(f * channels + c)] =
            audio.channels[static_cast<size_t>(c)][static_cast<size_t>(start + f)];
    ok = sf_writef_float(file, interleaved.data(), n) == n;
  }
  if (!ok)
    error = "cannot write " + mTarget + ": " + sf_strerror(file);
  if (sf_close(file) != 0 && ok)
  {
    error = "cannot write " + mTarget;
    ok = false;
  }
  return ok;
}

bool AtomicFile::Commit(std::string& error)
{
  if (mFd < 0)
  {
    error = "cannot write " + mTarget;
    return false;
  }
  if (::fsync(mFd) != 0 || ::close(mFd) != 0)
  {
    mFd = -1;
    error = "cannot write " + mTarget + ": " + std::strerror(errno);
    Discard();
    return false;
  }
  mFd = -1;
  if (::rename(mTemp.c_str(), mTarget.c_str()) != 0)
  {
    error = "cannot write " + mTarget + ": " + std::strerror(errno);
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
