#include "host/Commands.h"

#include "host/AudioFile.h"
#include "host/HostPlatform.h"
#include "host/Renderer.h"
#include "host/ReportPlot.h"
#include "host/Session.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

namespace quorvane::host {

namespace {

constexpr size_t kMaxStateFileBytes = 1u << 20;

std::string Json(const std::string& s)
{
  std::string out = "\"";
  for (const char ch : s)
  {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\')
      out += {'\\', ch};
    else if (c < 0x20)
    {
      char buf[8];
      std::snprintf(buf, sizeof(buf), "\\u%04x", c);
      out += buf;
    }
    else
      out += ch;
  }
  return out + "\"";
}

std::string FourCC(uint32_t code)
{
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8)
  {
    const auto c = static_cast<char>((code >> shift) & 0xFF);
    s += (c >= 0x20 && c < 0x7F) ? c : '?';
  }
  return s;
}

const char* StemFormatName(int64_t format)
{
  switch (format)
  {
    case AAX_eStemFormat_Mono: return "mono";
    case AAX_eStemFormat_Stereo: return "stereo";
    case AAX_eStemFormat_None: return "none";
    default: return "other";
  }
}

std::string Number(double v)
{
  char buf[40];
  std::snprintf(buf, sizeof(buf), "%.17g", v);
  return buf;
}

void PrintParameters(const std::vector<ParameterInfo>& params)
{
  std::printf("%-15s %-20s %-10s %s\n", "id", "name", "value", "host text");
  for (const auto& p : params)
    std::printf("%-15s %-20s %-10.6f %s\n", p.id.empty() ? "\"\"" : p.id.c_str(), p.name.c_str(), p.value,
                p.text.c_str());
}

// The make-up gain the plug-in applied: its "Make-Up Gain" while it was processing (the "Bypass" switch
// on and no host bypass), else none.
double AppliedMakeupDb(HostInstance& instance, bool hostBypass)
{
  if (hostBypass)
    return 0.0;
  double makeup = 0.0;
  bool processing = true;
  for (const auto& p : instance.Parameters())
  {
    if (p.name == "Make-Up Gain")
      makeup = std::strtod(p.text.c_str(), nullptr);
    else if (p.name == "Bypass")
      processing = p.value >= 0.5;
  }
  return processing && std::isfinite(makeup) ? makeup : 0.0;
}

bool WritePlot(const CommandLine& cl, HostInstance& instance, const Audio& in, const Audio& out, std::string& error)
{
  // A latency the render left in the output is taken off here, so output and input line up.
  const int delay = cl.compensateLatency ? 0 : instance.Latency();
  const ProgrammeReport measured = MeasureProgramme(in, out, AppliedMakeupDb(instance, cl.hostBypass), delay);
  const std::string name = cl.positional[0].substr(cl.positional[0].find_last_of('/') + 1);
  char title[300];
  std::snprintf(title, sizeof(title), "Quorvane: %s, %.1f s, %d channel%s, %.0f Hz", name.c_str(), measured.seconds,
                static_cast<int>(in.channels.size()), in.channels.size() == 1 ? "" : "s", in.sampleRate);
  std::vector<std::string> settings = cl.sets;
  if (!cl.state.empty())
    settings.insert(settings.begin(), "state " + cl.state);
  if (cl.hostBypass)
    settings.push_back("host bypass");
  std::string png;
  if (!DrawReportPng(measured, title, {SettingsCaption(settings), FiguresCaption(measured, instance.Latency())}, png,
                     error))
    return false;
  if (!WriteFileAtomically(cl.plot, png, error))
  {
    error = "the plot was not written (the audio was): " + error;
    return false;
  }
  return true;
}

} // namespace

int Fail(const std::string& message)
{
  std::fprintf(stderr, "quorvane-host: %s\n", message.c_str());
  return 1;
}

Session::~Session()
{
  if (!mVerbose || !mModule)
    return;
  for (const auto& m : mModule->Services().Messages())
    std::fprintf(stderr, "%s %s\n", m.assertion ? "assertion:" : "trace:", m.text.c_str());
}

bool Session::Load(std::string& error)
{
  mModule = HostModule::Load(mPath, error);
  return mModule != nullptr;
}

std::unique_ptr<HostInstance> Session::NewInstance(AAX_CTypeID component, double rate, int maxBlock, std::string& error)
{
  return HostInstance::Create(*mModule, component, rate, maxBlock, error);
}

bool ResolveAll(HostInstance& instance, const std::vector<std::string>& sets, std::vector<ParameterChange>& out,
                std::string& error)
{
  const auto params = instance.Parameters();
  for (const auto& text : sets)
  {
    Assignment a;
    ParameterChange change;
    if (!ParseAssignment(text, a, error) || !ResolveAssignment(instance.Effect(), params, a, change, error))
      return false;
    out.push_back(change);
  }
  return true;
}

bool ApplyAssignments(HostInstance& instance, const std::vector<std::string>& sets, std::string& error)
{
  std::vector<ParameterChange> changes;
  if (!ResolveAll(instance, sets, changes, error))
    return false;
  for (const auto& c : changes)
  {
    const AAX_Result r = instance.UpdateParameter(c.id, c.normalized);
    if (r != AAX_SUCCESS)
    {
      error = "the plug-in refused \"" + c.name + "\" (" + std::to_string(r) + ")";
      return false;
    }
  }
  instance.GenerateCoefficients();
  return true;
}

int RunDescribe(const CommandLine& cl)
{
  Session session(cl);
  std::string error;
  auto instance = session.Open(kStereoComponent, 48000.0, 512, error);
  if (!instance)
    return Fail(error);

  const auto& collection = session.Module().Collection();
  const auto& effect = session.Module().Effect();
  std::ostringstream j;
  j << "{\n  \"effect\": {\n    \"id\": " << Json(session.Module().EffectID()) << ",\n    \"names\": [";
  for (size_t i = 0; i < effect.Names().size(); ++i)
    j << (i ? ", " : "") << Json(effect.Names()[i]);
  j << "],\n    \"categories\": [";
  for (size_t i = 0; i < effect.Categories().size(); ++i)
    j << (i ? ", " : "") << effect.Categories()[i];
  j << "],\n    \"manufacturer\": " << Json(collection.ManufacturerName()) << ",\n    \"packageNames\": [";
  for (size_t i = 0; i < collection.PackageNames().size(); ++i)
    j << (i ? ", " : "") << Json(collection.PackageNames()[i]);
  char version[16];
  std::snprintf(version, sizeof(version), "0x%08X", collection.PackageVersion());
  j << "],\n    \"packageVersion\": " << Json(version) << ",\n    \"createEffectParameters\": "
    << (effect.CreateParameters() ? "true" : "false") << ",\n    \"createEffectGUI\": "
    << (effect.CreateGUI() ? "true" : "false") << "\n  },\n  \"components\": [";
  for (size_t c = 0; c < effect.Components().size(); ++c)
  {
    const auto* comp = effect.Components()[c];
    j << (c ? "," : "") << "\n    {\n      \"nativeType\": " << Json(FourCC(static_cast<uint32_t>(comp->Property(AAX_eProperty_PlugInID_Native, 0))))
      << ",\n      \"processProc\": " << (comp->ProcessProc() ? "true" : "false") << ",\n      \"properties\": [";
    if (comp->Properties())
    {
      // By name, with identifiers as their four characters and stem formats as their layout.
      const auto& props = comp->Properties()->Properties();
      for (size_t p = 0; p < props.size(); ++p)
      {
        const auto [number, value] = props[p];
        const char* name = AAX_PropertyName(number);
        j << (p ? "," : "") << "\n        {\"property\": " << number << ", \"name\": " << Json(name ? name : "unknown")
          << ", \"value\": " << value;
        if (AAX_PropertyIsFourCC(number))
          j << ", \"text\": " << Json(FourCC(static_cast<uint32_t>(value)));
        else if (number == AAX_eProperty_InputStemFormat || number == AAX_eProperty_OutputStemFormat)
          j << ", \"text\": " << Json(StemFormatName(value));
        j << "}";
      }
    }
    j << "\n      ],\n      \"fields\": [";
    for (size_t f = 0; f < comp->Fields().size(); ++f)
    {
      const auto& field = comp->Fields()[f];
      j << (f ? "," : "") << "\n        {\"index\": " << field.index << ", \"kind\": " << Json(FieldKindName(field.kind))
        << ", \"size\": " << field.size << ", \"type\": " << field.subtype;
      if (!field.name.empty())
        j << ", \"name\": " << Json(field.name);
      j << "}";
    }
    j << "\n      ]\n    }";
  }
  j << "\n  ],\n  \"masterBypass\": " << Json(instance->MasterBypassID()) << ",\n  \"parameters\": [";
  const auto params = instance->Parameters();
  for (size_t i = 0; i < params.size(); ++i)
  {
    const auto& p = params[i];
    j << (i ? "," : "") << "\n    {\"index\": " << p.index << ", \"id\": " << Json(p.id) << ", \"name\": " << Json(p.name)
      << ", \"type\": " << Json(p.type == AAX_eParameterType_Discrete ? "discrete" : "continuous")
      << ", \"steps\": " << p.steps << ", \"default\": " << Number(p.defaultValue)
      << ", \"automatable\": " << (p.automatable ? "true" : "false") << ", \"text\": " << Json(p.text) << "}";
  }
  j << "\n  ]\n}\n";
  session.Drop(instance);
  std::fputs(j.str().c_str(), stdout);
  return 0;
}

int RunParams(const CommandLine& cl)
{
  Session session(cl);
  std::string error;
  auto instance = session.Open(kStereoComponent, 48000.0, 512, error);
  if (!instance)
    return Fail(error);
  if (!ApplyAssignments(*instance, cl.sets, error))
    return Fail(error);
  PrintParameters(instance->Parameters());
  return 0;
}

int RunRender(const CommandLine& cl)
{
  if (cl.positional.size() != 2)
    return Fail("usage: quorvane-host render IN.wav OUT.wav [options]");
  const std::string& inPath = cl.positional[0];
  const std::string& outPath = cl.positional[1];
  if (cl.blockSize < 1 || cl.blockSize > 65536)
    return Fail("--block-size must be from 1 to 65536");
  if (!cl.plot.empty() && !ReportPictureAvailable())
    return Fail("--plot is not available in this build (the picture is drawn with cairo, which Windows builds lack)");

  std::string error;
  const double cpuStart = platform::ProcessCpuSeconds();
  // The files are read a run at a time as the render goes; only a picture needs them whole.
  AudioFileReader in;
  if (!in.Open(inPath, error))
    return Fail(error);
  if (in.Channels() != 1 && in.Channels() != 2)
    return Fail(inPath + " has " + std::to_string(in.Channels()) + " channels; only mono and stereo are supported");
  AudioFileReader sc;
  if (!cl.sideChain.empty())
  {
    if (!sc.Open(cl.sideChain, error))
      return Fail(error);
    if (sc.Channels() != 1)
      return Fail(cl.sideChain + " has " + std::to_string(sc.Channels()) + " channels; the side chain is mono");
    if (sc.SampleRate() != in.SampleRate())
      return Fail(cl.sideChain + " is at a different sample rate than " + inPath);
  }
  std::vector<AutomationEvent> events;
  if (!cl.automation.empty())
  {
    std::ifstream file(cl.automation);
    if (!file)
      return Fail("cannot open " + cl.automation);
    if (!ParseAutomation(file, events, error))
      return Fail(cl.automation + ": " + error);
  }
  std::vector<uint8_t> state;
  if (!cl.state.empty() && !ReadBytes(cl.state, state, error, kMaxStateFileBytes))
    return Fail(error);

  // Claim the outputs before the work: a directory that cannot take them fails now, not after rendering.
  AtomicFile outFile, meterFile;
  if (!outFile.Create(outPath, error))
    return Fail(error);
  if (!cl.meterLog.empty() && !meterFile.Create(cl.meterLog, error))
    return Fail(error);

  Session session(cl);
  const AAX_CTypeID component = in.Channels() == 1 ? kMonoComponent : kStereoComponent;
  auto instance = session.Open(component, in.SampleRate(), cl.blockSize, error);
  if (!instance)
    return Fail(error);
  bool damaged = false;
  if (!cl.state.empty() && !instance->LoadState(state, error, &damaged))
    return Fail((damaged ? "damaged state file " : "") + cl.state + ": " + error);
  if (!ApplyAssignments(*instance, cl.sets, error))
    return Fail(error);

  RenderOptions options;
  options.blockSize = cl.blockSize;
  options.hostBypass = cl.hostBypass;
  options.compensateLatency = cl.compensateLatency;
  options.offline = cl.offline;
  options.progress = platform::StderrIsTerminal();
  const auto params = instance->Parameters();
  for (const auto& ev : events)
  {
    ScheduledChange sch;
    sch.frame = ev.frame;
    if (!ResolveAssignment(instance->Effect(), params, ev.assignment, sch.change, error))
      return Fail(cl.automation + ": line " + std::to_string(ev.line) + ": " + error);
    options.automation.push_back(sch);
  }
  std::vector<BlockLevels> levels;
  if (!cl.meterLog.empty())
    options.levels = &levels;

  RenderTimes times;
  options.times = &times;

  const double cpuOpened = platform::ProcessCpuSeconds();
  Audio dry, wet;
  if (!cl.plot.empty())
  {
    Audio key;
    if (!ReadAudio(inPath, dry, error) || (!cl.sideChain.empty() && !ReadAudio(cl.sideChain, key, error)))
      return Fail(error);
    const std::vector<float> none;
    const std::vector<float>& sideChain = key.channels.empty() ? none : key.channels[0];
    if (!RenderFile(*instance, dry, sideChain, options, wet, error) || !outFile.WriteAudio(wet, error))
      return Fail(error);
  }
  else if (!outFile.BeginAudio(in.Channels(), in.SampleRate(), error) ||
           !RenderStream(*instance, in, cl.sideChain.empty() ? nullptr : &sc, options, outFile, error) ||
           !outFile.EndAudio(error))
    return Fail(error);
  if (!cl.meterLog.empty())
  {
    const std::string text = FormatLevels(levels);
    if (!meterFile.WriteBytes(text.data(), text.size(), error) || !meterFile.Commit(error))
      return Fail(error);
  }
  if (!outFile.Commit(error))
    return Fail(error);
  if (cl.stats)
  {
    const double done = platform::ProcessCpuSeconds();
    const double plugin = times.plugin;
    const double rest = (done - cpuOpened) - plugin - times.reading - times.writing;
    const double host = times.reading + times.writing + rest;
    const double seconds = static_cast<double>(in.Frames()) / in.SampleRate();
    std::printf("%.1f s of audio at %.0f Hz\n", seconds, in.SampleRate());
    std::printf("plug-in  %.3f s CPU in its render calls (%.0fx real time)\n", plugin,
                plugin > 0.0 ? seconds / plugin : 0.0);
    std::printf("host     %.3f s CPU, %.1f %% of the plug-in: reading %.3f, writing %.3f, the rest of the render "
                "%.3f\n",
                host, plugin > 0.0 ? 100.0 * host / plugin : 0.0, times.reading, times.writing, rest);
    std::printf("         before it: opening the files, the module and the instance %.3f\n", cpuOpened - cpuStart);
  }
  // The picture comes last: a path that cannot take it costs the audio nothing.
  if (!cl.plot.empty() && !WritePlot(cl, *instance, dry, wet, error))
    return Fail(error);
  return 0;
}

int RunStateSave(const CommandLine& cl)
{
  if (cl.positional.size() != 1)
    return Fail("usage: quorvane-host state save FILE [--set NAME=VALUE]...");
  std::string error;
  AtomicFile file;
  if (!file.Create(cl.positional[0], error))
    return Fail(error);
  Session session(cl);
  auto instance = session.Open(kStereoComponent, 48000.0, 512, error);
  if (!instance)
    return Fail(error);
  if (!ApplyAssignments(*instance, cl.sets, error))
    return Fail(error);
  std::vector<uint8_t> bytes;
  if (!instance->SaveState(bytes, error) || !file.WriteBytes(bytes.data(), bytes.size(), error) || !file.Commit(error))
    return Fail(error);
  return 0;
}

int RunStateLoad(const CommandLine& cl)
{
  if (cl.positional.size() != 1)
    return Fail("usage: quorvane-host state load FILE");
  std::string error;
  std::vector<uint8_t> bytes;
  if (!ReadBytes(cl.positional[0], bytes, error, kMaxStateFileBytes))
    return Fail(error);
  Session session(cl);
  auto instance = session.Open(kStereoComponent, 48000.0, 512, error);
  if (!instance)
    return Fail(error);
  bool damaged = false;
  if (!instance->LoadState(bytes, error, &damaged))
    return Fail((damaged ? "damaged state file " : "") + cl.positional[0] + ": " + error);
  PrintParameters(instance->Parameters());
  return 0;
}

} // namespace quorvane::host
