#include "host/AudioFile.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

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
