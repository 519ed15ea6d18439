#include "host/AudioFile.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

using namespace quorvane::host;

namespace {

struct TempDir
{
  TempDir()
  {
    char pattern[] = "/tmp/quorvane-host-test-XXXXXX";
    path = mkdtemp(pattern);
  }
  ~TempDir() { [[maybe_unused]] const int rc = std::system(("rm -rf '" + path + "'").c_str()); }
  int Entries() const
  {
    int n = 0;
    DIR* d = opendir(path.c_str());
    while (dirent* e = readdir(d))
      n += e->d_name[0] != '.';
    closedir(d);
    return n;
  }
  std::string path;
};

std::string Contents(const std::string& path)
{
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(AtomicFile, WithoutCommitNothingAppearsAndAnOldTargetIsKept)
{
  TempDir dir;
  const std::string target = dir.path + "/out.wav";
  {
    std::ofstream(target) << "old";
    AtomicFile file;
    std::string error;
    ASSERT_TRUE(file.Create(target, error)) << error;
    ASSERT_TRUE(file.WriteBytes("half", 4, error));
    EXPECT_EQ(dir.Entries(), 2); // the target and the temporary beside it
  }
  EXPECT_EQ(Contents(target), "old");
  EXPECT_EQ(dir.Entries(), 1);
}

TEST(AtomicFile, CommitReplacesTheTargetWhole)
{
  TempDir dir;
  const std::string target = dir.path + "/state.bin";
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(target, "first", error)) << error;
  ASSERT_TRUE(WriteFileAtomically(target, "second", error)) << error;
  EXPECT_EQ(Contents(target), "second");
  EXPECT_EQ(dir.Entries(), 1);
}

TEST(AtomicFile, AudioRoundTripsThroughFloatWav)
{
  TempDir dir;
  const std::string target = dir.path + "/a.wav";
  Audio a;
  a.sampleRate = 44100.0;
  a.channels = {{0.5f, -0.25f, 1e-3f, 0.0f, 2.0f}, {0.0f, 1.0f, -1.0f, 0.125f, -2.0f}};
  AtomicFile file;
  std::string error;
  ASSERT_TRUE(file.Create(target, error) && file.WriteAudio(a, error) && file.Commit(error)) << error;
  Audio b;
  ASSERT_TRUE(ReadAudio(target, b, error)) << error;
  EXPECT_EQ(b.sampleRate, 44100.0);
  EXPECT_EQ(b.channels, a.channels); // float WAV keeps values beyond full scale exactly
}

TEST(AtomicFile, UnwritableOrMissingPlacesGiveAReason)
{
  TempDir dir;
  AtomicFile file;
  std::string error;
  EXPECT_FALSE(file.Create(dir.path + "/no/such/dir/out.wav", error));
  EXPECT_NE(error.find("out.wav"), std::string::npos);
  EXPECT_FALSE(file.Create(dir.path, error)); // a directory is not a file
  Audio a;
  EXPECT_FALSE(ReadAudio(dir.path + "/missing.wav", a, error));
  EXPECT_NE(error.find("missing.wav"), std::string::npos);
  std::ofstream(dir.path + "/text.wav") << "not audio";
  EXPECT_FALSE(ReadAudio(dir.path + "/text.wav", a, error));
}

// Audio read and written a run at a time, in runs of odd lengths and across libsndfile's own chunks,
// is the audio written and read whole; a file cut short of its header's length reads as the whole
// frames it still holds, never as padding or garbage.
TEST(AtomicFile, AudioStreamsInRunsAndACutFileReadsAsWhatItHolds)
{
  TempDir dir;
  Audio a;
  a.sampleRate = 48000.0;
  for (int c = 0; c < 3; ++c) // three channels: the general path beside stereo's
  {
    a.channels.emplace_back();
    for (int f = 0; f < 10007; ++f)
      a.channels.back().push_back(static_cast<float>((f * 7 + c * 13) % 101) / 50.0f - 1.0f);
  }
  std::string error;
  AtomicFile whole, streamed;
  ASSERT_TRUE(whole.Create(dir.path + "/whole.wav", error) && whole.WriteAudio(a, error) && whole.Commit(error))
    << error;
  ASSERT_TRUE(streamed.Create(dir.path + "/streamed.wav", error) && streamed.BeginAudio(3, 48000.0, error)) << error;
  for (int64_t at = 0; at < a.Frames();)
  {
    const int64_t n = std::min<int64_t>(at % 2 ? 4999 : 1, a.Frames() - at);
    const float* from[] = {a.channels[0].data() + at, a.channels[1].data() + at, a.channels[2].data() + at};
    ASSERT_TRUE(streamed.Write(from, n, error)) << error;
    at += n;
  }
  ASSERT_TRUE(streamed.EndAudio(error) && streamed.Commit(error)) << error;
  Audio b;
  ASSERT_TRUE(ReadAudio(dir.path + "/streamed.wav", b, error)) << error;
  EXPECT_EQ(b.channels, a.channels);

  AudioFileReader reader;
  ASSERT_TRUE(reader.Open(dir.path + "/whole.wav", error)) << error;
  EXPECT_EQ(reader.Channels(), 3);
  EXPECT_EQ(reader.Frames(), a.Frames());
  std::vector<std::vector<float>> got(3, std::vector<float>(static_cast<size_t>(a.Frames())));
  for (int64_t at = 0;;)
  {
    float* to[] = {got[0].data() + at, got[1].data() + at, got[2].data() + at};
    const int64_t n = reader.Read(to, std::min<int64_t>(6000, a.Frames() - at + 5), error);
    ASSERT_GE(n, 0) << error;
    if (n == 0)
      break;
    at += n;
  }
  EXPECT_EQ(got, a.channels);

  // Cut the data short; the header still promises every frame.
  const std::string cut = dir.path + "/cut.wav";
  const std::string bytes = Contents(dir.path + "/whole.wav");
  std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() - 4000);
  ASSERT_TRUE(reader.Open(cut, error)) << error;
  const int64_t held = (12 * a.Frames() - 4000) / 12; // three float channels, 4000 bytes cut off
  EXPECT_EQ(reader.Frames(), held);
  ASSERT_TRUE(ReadAudio(cut, b, error)) << error;
  ASSERT_EQ(b.Frames(), held);
  for (size_t c = 0; c < 3; ++c)
    EXPECT_TRUE(std::equal(b.channels[c].begin(), b.channels[c].end(), a.channels[c].begin()));
}
