// quorvane-host's Windows layer through the host library and the built programs: the module loaded from
// its bundle, its timers ticking through the UI thread's message pump, the audio thread's hand-over,
// WAV through winmm and PNG through WIC, and the command line as a person runs it.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "host/AudioFile.h"
#include "host/Demo.h"
#include "host/HostInstance.h"
#include "host/HostModule.h"
#include "host/Png.h"
#include "host/Renderer.h"
#include "tests/win/WinTestSupport.h"

namespace quorvane::host {
namespace {

using test::Contents;
using test::Host;
using test::OneLine;
using test::ProgramRun;
using test::TempDir;

// Dispatches the thread's messages for `ms` milliseconds; the timer ticks among them.
int PumpFor(HostModule& module, int ms)
{
  int ticks = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end)
  {
    ticks += module.PumpRunLoop();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return ticks;
}

TEST(HostWin, ModuleLoadsFromItsBundleAndItsTimerTicksThroughTheMessagePump)
{
  std::string error;
  EXPECT_NE(DefaultModulePath().find("\\Quorvane.aaxplugin\\Contents\\x64\\Quorvane.aaxplugin"), std::string::npos);
  auto module = HostModule::Load(DefaultModulePath(), error);
  ASSERT_TRUE(module) << error;
  EXPECT_EQ(module->Effect().Components().size(), 2u);
  {
    auto instance = HostInstance::Create(*module, kStereoComponent, 48000.0, 512, error);
    ASSERT_TRUE(instance) << error;
    // No run loop is lent on Windows: the instance's 20 ms timer is the system's, a WM_TIMER in this
    // thread's queue.
    EXPECT_EQ(module->ActiveTimers(), 0u);
    const int ticks = PumpFor(*module, 300);
    EXPECT_GE(ticks, 5);
    EXPECT_LE(ticks, 30);
  }
  PumpFor(*module, 30);
  EXPECT_EQ(PumpFor(*module, 150), 0) << "a destroyed instance stops its timer";
  EXPECT_EQ(module->CanUnloadNow(), 0);
  EXPECT_EQ(module->Services().AssertionCount(), 0);
}

TEST(HostWin, ModulesThatCannotBeUsedAreNamedWithTheReason)
{
  const TempDir dir;
  std::string error;
  EXPECT_FALSE(HostModule::Load(dir / "none.aaxplugin", error));
  EXPECT_NE(error.find("not found"), std::string::npos) << error;
  EXPECT_NE(error.find("none.aaxplugin"), std::string::npos) << error;

  ASSERT_TRUE(WriteFileAtomically(dir / "text.aaxplugin", "not a module", error)) << error;
  EXPECT_FALSE(HostModule::Load(dir / "text.aaxplugin", error));
  EXPECT_EQ(error.rfind("cannot load module ", 0), 0u) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;

  // A real DLL that is no plug-in.
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  EXPECT_FALSE(HostModule::Load(std::string(system) + "\\version.dll", error));
  EXPECT_NE(error.find("module has no export ACFStartup"), std::string::npos) << error;
}

// Many short blocks through the audio thread's hand-over give what the same blocks give offline.
TEST(HostWin, TheAudioThreadRendersWhatOfflineRenders)
{
  std::string error;
  auto module = HostModule::Load(DefaultModulePath(), error);
  ASSERT_TRUE(module) << error;
  const Audio programme = SynthesiseDemoProgramme(48000.0, 1.0);
  Audio live, offline;
  for (bool isOffline : {false, true})
  {
    auto instance = HostInstance::Create(*module, kStereoComponent, 48000.0, 64, error);
    ASSERT_TRUE(instance) << error;
    instance->UpdateParameter("15", 0.6); // Ratio 4:1
    instance->UpdateParameter("8", 0.2);  // Threshold low
    instance->GenerateCoefficients();
    RenderOptions options;
    options.blockSize = 48;
    options.offline = isOffline;
    ASSERT_TRUE(RenderFile(*instance, programme, {}, options, isOffline ? offline : live, error)) << error;
  }
  ASSERT_EQ(live.Frames(), programme.Frames());
  EXPECT_EQ(live.channels, offline.channels);
  EXPECT_NE(live.channels, programme.channels) << "the compressor did something";
}

// ------------------------------------------------------------------------------------ WAV files

void Put16(std::string& s, unsigned v) { s += {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)}; }
void Put32(std::string& s, uint32_t v)
{
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

// A RIFF WAVE file: a "fmt " chunk with `tag` (0xFFFE: extensible, with `subTag` in its GUID) and the data.
std::string Wave(unsigned tag, int channels, int bits, const std::string& data, unsigned subTag = 0)
{
  std::string fmt;
  Put16(fmt, tag);
  Put16(fmt, static_cast<unsigned>(channels));
  Put32(fmt, 44100);
  Put32(fmt, static_cast<uint32_t>(44100 * channels * bits / 8));
  Put16(fmt, static_cast<unsigned>(channels * bits / 8));
  Put16(fmt, static_cast<unsigned>(bits));
  if (tag == 0xFFFE)
  {
    Put16(fmt, 22);
    Put16(fmt, static_cast<unsigned>(bits));
    Put32(fmt, 0);
    Put16(fmt, subTag);
    fmt += std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
  }
  std::string body = "WAVEfmt ";
  Put32(body, static_cast<uint32_t>(fmt.size()));
  body += fmt + "data";
  Put32(body, static_cast<uint32_t>(data.size()));
  body += data;
  std::string file = "RIFF";
  Put32(file, static_cast<uint32_t>(body.size()));
  return file + body;
}

std::vector<float> ReadMono(const std::string& path)
{
  Audio audio;
  std::string error;
  EXPECT_TRUE(ReadAudio(path, audio, error)) << error;
  EXPECT_EQ(audio.channels.size(), 1u);
  EXPECT_EQ(audio.sampleRate, 44100.0);
  return audio.channels.empty() ? std::vector<float>{} : audio.channels[0];
}

TEST(WavFiles, PcmAndFloatEncodingsReadAsLibsndfileReadsThem)
{
  const TempDir dir;
  std::string error;
  auto write = [&](const std::string& name, const std::string& bytes) {
    EXPECT_TRUE(WriteFileAtomically(dir / name, bytes, error)) << error;
    return dir / name;
  };
  const std::vector<float> expected = {-1.0f, 0.5f, 0.0f};
  EXPECT_EQ(ReadMono(write("8.wav", Wave(1, 1, 8, std::string("\x00\xC0\x80", 3)))), expected);
  EXPECT_EQ(ReadMono(write("16.wav", Wave(1, 1, 16, std::string("\x00\x80\x00\x40\x00\x00", 6)))), expected);
  EXPECT_EQ(ReadMono(write("24.wav", Wave(1, 1, 24, std::string("\x00\x00\x80\x00\x00\x40\x00\x00\x00", 9)))),
            expected);
  EXPECT_EQ(ReadMono(write("32.wav", Wave(1, 1, 32, std::string("\x00\x00\x00\x80\x00\x00\x00\x40\0\0\0\0", 12)))),
            expected);
  EXPECT_EQ(ReadMono(write("x24.wav", Wave(0xFFFE, 1, 24, std::string("\x00\x00\x80\x00\x00\x40\x00\x00\x00", 9), 1))),
            expected);
  // The largest 16-bit value stays under full scale; float beyond it is kept as it is.
  EXPECT_EQ(ReadMono(write("max.wav", Wave(1, 1, 16, std::string("\xFF\x7F", 2)))),
            std::vector<float>{32767.0f / 32768.0f});
  std::string doubles(16, '\0');
  const double d[2] = {0.25, -2.0};
  std::memcpy(doubles.data(), d, sizeof d);
  EXPECT_EQ(ReadMono(write("f64.wav", Wave(3, 1, 64, doubles))), (std::vector<float>{0.25f, -2.0f}));

  // Stereo keeps its channels apart.
  Audio stereo;
  ASSERT_TRUE(ReadAudio(write("st.wav", Wave(1, 2, 16, std::string("\x00\x40\x00\xC0", 4))), stereo, error)) << error;
  EXPECT_EQ(stereo.channels, (std::vector<std::vector<float>>{{0.5f}, {-0.5f}}));
}

TEST(WavFiles, WhatCannotBeReadIsSaidInOneLineAndACutFileReadsAsWhatItHolds)
{
  const TempDir dir;
  std::string error;
  Audio audio;
  EXPECT_FALSE(ReadAudio(dir / "missing.wav", audio, error));
  EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
  EXPECT_NE(error.find("missing.wav"), std::string::npos) << error;
  EXPECT_FALSE(ReadAudio(dir.Path(), audio, error));
  EXPECT_NE(error.find("it is a directory"), std::string::npos) << error;

  const std::pair<std::string, std::string> refused[] = {
    {"text.wav", "not audio"},
    {"alaw.wav", Wave(6, 1, 8, "abc")},
    {"nodata.wav", Wave(1, 1, 16, "").substr(0, 36)},
    {"odd.wav", Wave(1, 1, 12, "abc")},
  };
  const char* reasons[] = {"Format not recognised.", "unsupported WAV encoding (format 0x0006, 8 bits)",
                           "has no data chunk", "unsupported WAV encoding (format 0x0001, 12 bits)"};
  for (size_t i = 0; i < std::size(refused); ++i)
  {
    ASSERT_TRUE(WriteFileAtomically(dir / refused[i].first, refused[i].second, error)) << error;
    EXPECT_FALSE(ReadAudio(dir / refused[i].first, audio, error)) << refused[i].first;
    EXPECT_EQ(error.rfind("cannot read " + (dir / refused[i].first) + ": ", 0), 0u) << error;
    EXPECT_NE(error.find(reasons[i]), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }

  // Three 16-bit frames promised, two and a half there: the two whole ones are the file.
  const std::string whole = Wave(1, 1, 16, std::string("\x00\x40\x00\xC0\x00\x20", 6));
  ASSERT_TRUE(WriteFileAtomically(dir / "cut.wav", whole.substr(0, whole.size() - 1), error));
  AudioFileReader reader;
  ASSERT_TRUE(reader.Open(dir / "cut.wav", error)) << error;
  EXPECT_EQ(reader.Frames(), 2);
  EXPECT_EQ(ReadMono(dir / "cut.wav"), (std::vector<float>{0.5f, -0.5f}));
}

// What the Windows codec writes is float WAV exactly as libsndfile lays it out for a reader: IEEE float
// format, a fact chunk with the frame count, chunk sizes that add up; and it reads back bit for bit.
TEST(WavFiles, FloatWavIsWrittenWholeAndReadsBackExactly)
{
  const TempDir dir;
  Audio a;
  a.sampleRate = 96000.0;
  for (int c = 0; c < 3; ++c)
  {
    a.channels.emplace_back();
    for (int f = 0; f < 10007; ++f)
      a.channels.back().push_back(static_cast<float>((f * 7 + c * 13) % 101) / 25.0f - 2.0f);
  }
  std::string error;
  AtomicFile streamed;
  ASSERT_TRUE(streamed.Create(dir / "a.wav", error) && streamed.BeginAudio(3, 96000.0, error)) << error;
  for (int64_t at = 0; at < a.Frames();)
  {
    const int64_t n = std::min<int64_t>(at % 2 ? 4999 : 1, a.Frames() - at);
    const float* from[] = {a.channels[0].data() + at, a.channels[1].data() + at, a.channels[2].data() + at};
    ASSERT_TRUE(streamed.Write(from, n, error)) << error;
    at += n;
  }
  ASSERT_TRUE(streamed.EndAudio(error) && streamed.Commit(error)) << error;

  const std::string bytes = Contents(dir / "a.wav");
  auto u32 = [&](size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
  };
  ASSERT_GT(bytes.size(), 60u);
  EXPECT_EQ(bytes.substr(0, 4), "RIFF");
  EXPECT_EQ(u32(4), bytes.size() - 8);
  EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(bytes[20], 3) << "IEEE float";
  const size_t fact = bytes.find("fact");
  const size_t data = bytes.find("data");
  ASSERT_NE(fact, std::string::npos);
  ASSERT_NE(data, std::string::npos);
  EXPECT_EQ(u32(fact + 8), 10007u);
  EXPECT_EQ(u32(data + 4), 10007u * 3 * 4);
  EXPECT_EQ(data + 8 + 10007u * 3 * 4, bytes.size());

  Audio b;
  ASSERT_TRUE(ReadAudio(dir / "a.wav", b, error)) << error;
  EXPECT_EQ(b.sampleRate, 96000.0);
  EXPECT_EQ(b.channels, a.channels);
}

TEST(AtomicFileWin, ReplacesAnOldTargetOnlyOnCommit)
{
  const TempDir dir;
  const std::string target = dir / "state.bin";
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(target, "first", error)) << error;
  {
    AtomicFile file;
    ASSERT_TRUE(file.Create(target, error)) << error;
    ASSERT_TRUE(file.WriteBytes("half", 4, error)) << error;
    EXPECT_EQ(dir.Entries(), 2); // the target and the temporary beside it
  }
  EXPECT_EQ(Contents(target), "first");
  EXPECT_EQ(dir.Entries(), 1);
  // Windows' own rename refuses an existing target: the commit must replace it all the same.
  ASSERT_TRUE(WriteFileAtomically(target, "second", error)) << error;
  EXPECT_EQ(Contents(target), "second");
  EXPECT_EQ(dir.Entries(), 1);

  AtomicFile nowhere;
  EXPECT_FALSE(nowhere.Create(dir / "no\\such\\dir\\out.wav", error));
  EXPECT_NE(error.find("out.wav"), std::string::npos) << error;
  EXPECT_FALSE(nowhere.Create(dir.Path(), error));
  EXPECT_NE(error.find("it is a directory"), std::string::npos) << error;
}

TEST(PngWin, PicturesRoundTripThroughWic)
{
  std::vector<uint8_t> rgb(7 * 5 * 3);
  for (size_t i = 0; i < rgb.size(); ++i)
    rgb[i] = static_cast<uint8_t>(i * 37 + 11);
  std::vector<uint8_t> png, rgba;
  std::string error;
  ASSERT_TRUE(EncodePng(rgb, 7, 5, png, error)) << error;
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
  int w = 0;
  int h = 0;
  ASSERT_TRUE(DecodePng(png.data(), png.size(), rgba, w, h, error)) << error;
  ASSERT_EQ(w, 7);
  ASSERT_EQ(h, 5);
  for (size_t p = 0; p < 35; ++p)
  {
    EXPECT_EQ(rgba[4 * p], rgb[3 * p]) << p;
    EXPECT_EQ(rgba[4 * p + 1], rgb[3 * p + 1]) << p;
    EXPECT_EQ(rgba[4 * p + 2], rgb[3 * p + 2]) << p;
    EXPECT_EQ(rgba[4 * p + 3], 255) << p;
  }
  const std::string text = "not a picture";
  EXPECT_FALSE(DecodePng(text.data(), text.size(), rgba, w, h, error));
  EXPECT_FALSE(error.empty());
}

// ------------------------------------------------------------------------------- the command line

TEST(HostCommandWin, ErrorsExitNonZeroWithOneLineAndLeaveNoOutput)
{
  const TempDir dir;
  const std::string in = dir / "in.wav";
  const std::string out = dir / "out.wav";
  std::string error;
  {
    AtomicFile f;
    const Audio a = SynthesiseDemoProgramme(48000.0, 0.5);
    ASSERT_TRUE(f.Create(in, error) && f.WriteAudio(a, error) && f.Commit(error)) << error;
  }
  ProgramRun r = Host("render \"" + dir / "missing.wav" + "\" \"" + out + "\"");
  EXPECT_NE(r.exitCode, 0u);
  EXPECT_TRUE(OneLine(r.err)) << r.err;
  EXPECT_NE(r.err.find("missing.wav"), std::string::npos) << r.err;

  r = Host("render \"" + in + "\" \"" + out + "\" --set Loudness=3");
  EXPECT_NE(r.exitCode, 0u);
  EXPECT_NE(r.err.find("unknown parameter"), std::string::npos) << r.err;

  r = Host("render \"" + in + "\" \"" + dir / "nodir\\out.wav" + "\"");
  EXPECT_NE(r.exitCode, 0u);
  EXPECT_TRUE(OneLine(r.err)) << r.err;

  // The picture is refused before any work, so the audio output is not even started.
  r = Host("render \"" + in + "\" \"" + out + "\" --plot \"" + dir / "p.png" + "\"");
  EXPECT_NE(r.exitCode, 0u);
  EXPECT_TRUE(OneLine(r.err)) << r.err;
  EXPECT_NE(r.err.find("--plot"), std::string::npos) << r.err;

  r = Host("--module \"" + dir / "none.aaxplugin" + "\" params");
  EXPECT_NE(r.exitCode, 0u);
  EXPECT_NE(r.err.find("none.aaxplugin"), std::string::npos) << r.err;

  r = Host("editor --scale 2");
  EXPECT_NE(r.exitCode, 0u);
  EXPECT_TRUE(OneLine(r.err)) << r.err;
  EXPECT_NE(r.err.find("--scale"), std::string::npos) << r.err;

  // A state file cut short is damage, and nothing renders from it.
  ASSERT_EQ(Host("state save \"" + dir / "whole.bin" + "\" --set Ratio=10:1").exitCode, 0u);
  ASSERT_TRUE(WriteFileAtomically(dir / "cut.bin", Contents(dir / "whole.bin").substr(0, 7), error)) << error;
  r = Host("render \"" + in + "\" \"" + out + "\" --state \"" + dir / "cut.bin" + "\"");
  EXPECT_NE(r.exitCode, 0u);
  EXPECT_NE(r.err.find("damaged state file " + dir / "cut.bin" + ": 7 of 164 bytes"), std::string::npos) << r.err;

  EXPECT_FALSE(std::filesystem::exists(out)) << "a failed command left an output behind";
  EXPECT_EQ(dir.Entries(), 3) << "in.wav, whole.bin, cut.bin and nothing half-written";

  // And the same command without the mistakes renders.
  r = Host("render \"" + in + "\" \"" + out + "\" --state \"" + dir / "whole.bin" + "\" --compensate-latency");
  EXPECT_EQ(r.exitCode, 0u) << r.err;
  Audio result;
  ASSERT_TRUE(ReadAudio(out, result, error)) << error;
  EXPECT_EQ(result.Frames(), 24000);
}

TEST(HostCommandWin, HelpSaysWhatWindowsLacksAndTheDemoWritesAllButThePicture)
{
  ProgramRun r = Host("--help");
  EXPECT_EQ(r.exitCode, 0u);
  EXPECT_NE(r.out.find("On Windows"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("cairo"), std::string::npos) << r.out;

  const TempDir dir;
  const std::string out = dir / "out";
  r = Host("demo --out \"" + out + "\"");
  ASSERT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_NE(r.out.find("no report.png"), std::string::npos) << r.out;
  for (const char* name : {"dry.wav", "processed.wav", "meter.log", "report.txt"})
    EXPECT_TRUE(std::filesystem::exists(out + "\\" + name)) << name;
  EXPECT_FALSE(std::filesystem::exists(out + "\\report.png"));
  Audio dry, processed;
  std::string error;
  ASSERT_TRUE(ReadAudio(out + "\\dry.wav", dry, error)) << error;
  ASSERT_TRUE(ReadAudio(out + "\\processed.wav", processed, error)) << error;
  EXPECT_EQ(processed.Frames(), dry.Frames());
  EXPECT_NE(Contents(out + "\\report.txt").find("reported latency: 64 samples"), std::string::npos);
}

} // namespace
} // namespace quorvane::host
