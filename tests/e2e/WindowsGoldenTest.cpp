// The Windows build against this one: the golden scenarios rendered by quorvane-host here and by
// quorvane-host.exe under Wine, from the same files, must agree within 1e-6. The two builds' C runtimes
// round their math functions differently in the last bits, so bit identity is not expected.
// Runs when QUORVANE_WIN_HOST names the Windows host program (scripts/test.sh sets it); skipped otherwise.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "host/AudioFile.h"
#include "tests/e2e/HostCommand.h"
#include "tests/plugin/GoldenScenarios.h"

namespace quorvane::host {
namespace {

namespace fs = std::filesystem;

// Wine reaches this machine's files through its Z: drive.
std::string WinePath(const fs::path& p) { return "Z:" + p.string(); }

void WriteStereo(const fs::path& path, const test::Stereo& s, double rate)
{
  Audio audio;
  audio.sampleRate = rate;
  audio.channels = {std::vector<float>(s.L.begin(), s.L.end()), std::vector<float>(s.R.begin(), s.R.end())};
  AtomicFile file;
  std::string error;
  ASSERT_TRUE(file.Create(path.string(), error) && file.WriteAudio(audio, error) && file.Commit(error)) << error;
}

// The scenario as the host's command line: settings by parameter index, automation lines, side chain.
std::string RenderArguments(const test::Scenario& s, const fs::path& dir)
{
  const int frames = static_cast<int>(s.rate);
  WriteStereo(dir / "in.wav", test::Programme(frames, s.rate, s.monoInput), s.rate);
  std::string args = " --block-size " + std::to_string(s.blockSize);
  char value[64];
  for (const auto& [index, v] : s.settings)
  {
    std::snprintf(value, sizeof value, "%.17g", v);
    args += " --set " + std::to_string(index) + "=" + value;
  }
  if (s.sideChain)
  {
    const std::vector<double> kick = test::Kick(frames, s.rate);
    Audio sc;
    sc.sampleRate = s.rate;
    sc.channels = {std::vector<float>(kick.begin(), kick.end())};
    std::string error;
    AtomicFile file;
    EXPECT_TRUE(file.Create((dir / "sc.wav").string(), error) && file.WriteAudio(sc, error) && file.Commit(error));
    args += " --sidechain {dir}sc.wav";
  }
  if (!s.automation.empty())
  {
    std::string lines;
    for (const auto& [frame, index, v] : s.automation)
    {
      std::snprintf(value, sizeof value, "%.17g", v);
      lines += std::to_string(frame) + " " + std::to_string(index) + "=" + value + "\n";
    }
    std::string error;
    EXPECT_TRUE(WriteFileAtomically((dir / "automation.txt").string(), lines, error)) << error;
    args += " --automation {dir}automation.txt";
  }
  return args;
}

std::string WithDir(std::string args, const std::string& dir)
{
  for (size_t at; (at = args.find("{dir}")) != std::string::npos;)
    args.replace(at, 5, dir);
  return args;
}

TEST(WindowsGolden, RendersMatchTheLinuxBuildWithin1e6)
{
  const char* winHost = std::getenv("QUORVANE_WIN_HOST");
  if (winHost == nullptr || *winHost == '\0')
    GTEST_SKIP() << "QUORVANE_WIN_HOST is not set (no Windows build to compare)";

  char tmpl[] = "/tmp/quorvane-wingolden-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(tmpl));
  const fs::path root(tmpl);
  double largest = 0.0;
  for (const test::Scenario& s : test::Scenarios())
  {
    const fs::path dir = root / s.name;
    fs::create_directories(dir);
    const std::string args = RenderArguments(s, dir);

    const test::HostRun native = test::Host("render " + (dir / "in.wav").string() + " " + (dir / "linux.wav").string() +
                                           WithDir(args, dir.string() + "/"));
    ASSERT_EQ(0, native.status) << s.name << ": " << native.err;

    const std::string wine = "bash " QUORVANE_SOURCE_DIR "/scripts/wine-run.sh " + std::string(winHost) + " render " +
                             WinePath(dir / "in.wav") + " " + WinePath(dir / "win.wav") +
                             WithDir(args, WinePath(dir) + "/") + " >/dev/null 2>" + (dir / "win.err").string();
    ASSERT_EQ(0, std::system(wine.c_str())) << s.name << ": the Windows host failed (see " << dir / "win.err" << ")";

    Audio a, b;
    std::string error;
    ASSERT_TRUE(ReadAudio((dir / "linux.wav").string(), a, error)) << error;
    ASSERT_TRUE(ReadAudio((dir / "win.wav").string(), b, error)) << error;
    ASSERT_EQ(a.channels.size(), b.channels.size()) << s.name;
    ASSERT_EQ(a.Frames(), b.Frames()) << s.name;
    double worst = 0.0;
    for (size_t c = 0; c < a.channels.size(); ++c)
      for (size_t n = 0; n < a.channels[c].size(); ++n)
        worst = std::max(worst, std::fabs(double(a.channels[c][n]) - double(b.channels[c][n])));
    std::printf("[ windows  ] %-28s largest difference %.3g\n", s.name, worst);
    RecordProperty(std::string("largest_difference_") + s.name, std::to_string(worst));
    EXPECT_LE(worst, 1e-6) << s.name;
    largest = std::max(largest, worst);
  }
  std::printf("[ windows  ] largest difference over all scenarios %.3g\n", largest);
  fs::remove_all(root);
}

} // namespace
} // namespace quorvane::host
