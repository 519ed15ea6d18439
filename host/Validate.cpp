// The validation battery of `quorvane-host validate`: modelled on the public plug-in validators and
// stricter. Every check prints its name and result; the last line is "N passed, M failed". Fixed seeds.

#include "host/Commands.h"
#include "host/Demo.h"
#include "host/Renderer.h"
#include "host/Session.h"
#include "host/ValidateLive.h"
#include "host/ValidateReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>

namespace quorvane::host {

namespace {

// Finite, and neither subnormal: what a host may expect of any output sample.
bool Clean(const std::vector<float>& samples, std::string& why)
{
  for (size_t i = 0; i < samples.size(); ++i)
  {
    if (const char* fault = SampleFault(samples[i]))
    {
      why = "sample " + std::to_string(i) + " is " + fault;
      return false;
    }
  }
  return true;
}

Audio Noise(double rate, int channels, double seconds, uint32_t seed, float gain)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> dist(-gain, gain);
  Audio a;
  a.sampleRate = rate;
  a.channels.assign(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(seconds * rate)));
  for (auto& ch : a.channels)
    for (auto& x : ch)
      x = dist(rng);
  return a;
}

Audio Silence(double rate, int channels, int64_t frames)
{
  Audio a;
  a.sampleRate = rate;
  a.channels.assign(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(frames), 0.0f));
  return a;
}

// Renders `in` in blocks whose sizes cycle through `sizes` (offline, on this thread).
bool RenderBlocks(HostInstance& inst, const Audio& in, const std::vector<int>& sizes, Audio& out, std::string& why)
{
  const int channels = inst.MainChannels();
  out.sampleRate = in.sampleRate;
  out.channels.assign(static_cast<size_t>(channels), std::vector<float>(in.channels[0].size()));
  const auto frames = static_cast<int64_t>(in.channels[0].size());
  size_t k = 0;
  std::vector<const float*> ip(static_cast<size_t>(channels));
  std::vector<float*> op(static_cast<size_t>(channels));
  for (int64_t start = 0; start < frames; ++k)
  {
    const int n = static_cast<int>(std::min<int64_t>(sizes[k % sizes.size()], frames - start));
    for (int c = 0; c < channels; ++c)
    {
      ip[static_cast<size_t>(c)] = in.channels[static_cast<size_t>(c)].data() + start;
      op[static_cast<size_t>(c)] = out.channels[static_cast<size_t>(c)].data() + start;
    }
    if (!inst.Render(ip.data(), nullptr, op.data(), n))
    {
      why = "render of " + std::to_string(n) + " frames refused";
      return false;
    }
    inst.Idle();
    start += n;
  }
  return true;
}

bool AllClean(const Audio& a, std::string& why)
{
  for (const auto& ch : a.channels)
    if (!Clean(ch, why))
      return false;
  return true;
}

bool Apply(HostInstance& inst, const std::vector<std::string>& sets, std::string& why)
{
  return ApplyAssignments(inst, sets, why);
}

struct ExpectedParam
{
  const char* id;
  const char* name;
  int steps;
  double def; // normalised
  AAX_EParameterType type;
};

// The AAX parameters this product registers, in the manager's order.
const ExpectedParam kExpected[] = {
    {"MasterBypassID", "Master Bypass", 2, 0.0, AAX_eParameterType_Discrete},
    {"2", "Boost", 128, 0.0, AAX_eParameterType_Continuous},
    {"3", "HF", 128, 1.0, AAX_eParameterType_Continuous},
    {"4", "HPF", 128, 0.0, AAX_eParameterType_Continuous},
    {"5", "Make-Up Gain", 128, 0.0, AAX_eParameterType_Continuous},
    {"6", "Mid Gain", 128, 0.5, AAX_eParameterType_Continuous},
    {"7", "Compressor Mix", 128, 1.0, AAX_eParameterType_Continuous},
    {"8", "Threshold", 128, 1.0, AAX_eParameterType_Continuous},
    {"9", "Transient Mix", 128, 0.0, AAX_eParameterType_Continuous},
    {"10", "Transient Tilt", 128, 0.5, AAX_eParameterType_Continuous},
    {"12", "Attack Time", 128, 0.0, AAX_eParameterType_Continuous},
    {"13", "Bypass", 128, 1.0, AAX_eParameterType_Continuous},
    {"14", "External Sidechain", 128, 0.0, AAX_eParameterType_Continuous},
    {"15", "Ratio", 128, 0.0, AAX_eParameterType_Continuous},
    {"16", "Release Time", 128, 0.0, AAX_eParameterType_Continuous},
    {"17", "Turbo", 128, 0.0, AAX_eParameterType_Continuous},
    {"18", "XFormer", 128, 0.0, AAX_eParameterType_Continuous},
    {"19", "Oversampling", 128, 0.0, AAX_eParameterType_Continuous},
};

// Position of the largest magnitude of channel 0.
int64_t PeakIndex(const Audio& a)
{
  const auto& ch = a.channels[0];
  return std::max_element(ch.begin(), ch.end(), [](float x, float y) { return std::fabs(x) < std::fabs(y); }) - ch.begin();
}

bool ParamsInRange(HostInstance& inst, std::string& why)
{
  for (const auto& p : inst.Parameters())
  {
    if (!std::isfinite(p.value) || p.value < 0.0 || p.value > 1.0)
    {
      std::ostringstream s;
      s << p.name << " at normalised " << p.value;
      why = s.str();
      return false;
    }
  }
  return true;
}

void CheckModuleLifecycle(Report& r, const std::string& path)
{
  bool ok = true;
  std::string why;
  for (int round = 0; round < 5 && ok; ++round)
  {
    auto module = HostModule::Load(path, why);
    if (!module)
    {
      ok = false;
      break;
    }
    {
      auto inst = HostInstance::Create(*module, kStereoComponent, 48000.0, 512, why);
      ok = inst != nullptr && module->CanUnloadNow() > 0;
      if (inst && !ok)
        why = "an instance is alive but ACFCanUnloadNow answers 0";
    }
    if (ok && module->CanUnloadNow() != 0)
    {
      ok = false;
      why = "ACFCanUnloadNow is " + std::to_string(module->CanUnloadNow()) + " after the instance is gone";
    }
  }
  r.Check("load, instantiate and unload the module 5 times (ACFCanUnloadNow back to 0)", ok, why);
}

void CheckDescription(Report& r, HostModule& m)
{
  void* out = reinterpret_cast<void*>(1);
  const AAX_Result factory = m.ClassFactoryResult(&out);
  bool ok = factory == AAX_ERROR_UNIMPLEMENTED && out == nullptr;
  out = reinterpret_cast<void*>(1);
  ok = ok && m.RegisterComponentResult(&out) == AAX_SUCCESS && out == nullptr && m.SDKVersion() == AAX_SDK_VERSION;
  r.Check("exports: SDK version, class factory (-20009), register component (0)", ok);

  const auto& c = m.Collection();
  const auto& e = m.Effect();
  std::string why;
  ok = c.Effects().size() == 1 && m.EffectID() == "com.Kestrove.aax.Quorvane" && e.Names() == std::vector<std::string>{"Quorvane"} &&
       c.PackageNames() == std::vector<std::string>{"Quorvane"} && c.ManufacturerName() == "Kestrove" &&
       c.PackageVersion() == 0x00070000 && e.Categories() == std::vector<uint32_t>{AAX_ePlugInCategory_Dynamics} &&
       e.CreateParameters() && e.CreateGUI();
  r.Check("effect: identifier, names, manufacturer, version 0x00070000, category 2, both create procedures", ok);

  ok = e.Components().size() == 2;
  const AAX_CTypeID types[] = {kMonoComponent, kStereoComponent};
  const AAX_CTypeID suite[] = {AAX_FourCC("IEA1"), AAX_FourCC("IEA2")};
  const AAX_EStemFormat formats[] = {AAX_eStemFormat_Mono, AAX_eStemFormat_Stereo};
  for (size_t k = 0; ok && k < 2; ++k)
  {
    const auto* comp = e.Components()[k];
    int32_t dummy = 0;
    auto prop = [&](uint32_t p) { return comp->Property(p, INT32_MIN); };
    ok = comp->ProcessProc() && static_cast<AAX_CTypeID>(prop(13)) == types[k] && static_cast<AAX_CTypeID>(prop(14)) == suite[k] &&
         prop(11) == static_cast<int32_t>(AAX_FourCC("Kstr")) && prop(12) == static_cast<int32_t>(AAX_FourCC("Qrv1")) &&
         prop(51) == formats[k] && prop(52) == formats[k] && prop(116) == 1 && prop(56) == 0 && prop(60) == 1 &&
         prop(300) == 1 && prop(306) == 1 && !comp->Properties()->GetProperty(304, &dummy) &&
         !comp->Properties()->GetProperty(151, &dummy);
    if (!ok)
      why = "component " + std::to_string(k) + " properties";
    for (AAX_CFieldIndex f = 4; ok && f <= 24; ++f)
    {
      if (f == 7 || f == 23)
        continue;
      const FieldRecord* rec = comp->Field(f);
      ok = rec && rec->kind == FieldKind::PrivateData && rec->size == 4;
      if (!ok)
        why = "field " + std::to_string(f) + " is not 4 bytes of private data";
    }
    const FieldRecord* transport = comp->Field(7);
    const FieldRecord* priv = comp->Field(23);
    const FieldRecord* port = comp->Field(25);
    const FieldRecord* side = comp->Field(26);
    ok = ok && transport && transport->kind == FieldKind::MidiNode && transport->subtype == AAX_eMIDINodeType_Transport &&
         priv && priv->kind == FieldKind::PrivateData && priv->size == 8 && port && port->kind == FieldKind::DataInPort &&
         port->size == 8 && port->subtype == AAX_eDataInPortType_Unbuffered && side && side->kind == FieldKind::SideChainIn &&
         comp->Field(0) && comp->Field(1) && comp->Field(2) && comp->Field(3) && comp->Fields().size() == 27;
    if (!ok && why.empty())
      why = "component " + std::to_string(k) + " fields";
  }
  r.Check("components: 'IEF1' mono then 'IEF2' stereo, properties and all 27 context fields", ok, why);
}

void CheckParameters(Report& r, HostInstance& inst)
{
  const auto params = inst.Parameters();
  std::string why;
  bool ok = params.size() == std::size(kExpected);
  if (!ok)
    why = std::to_string(params.size()) + " parameters";
  for (size_t i = 0; ok && i < params.size(); ++i)
  {
    const auto& p = params[i];
    const auto& e = kExpected[i];
    ok = p.id == e.id && p.name == e.name && p.steps == e.steps && std::fabs(p.defaultValue - e.def) < 1e-12 &&
         p.type == e.type && p.automatable && std::fabs(p.value - e.def) < 1e-12;
    int32_t index = -1;
    ok = ok && inst.Effect().GetParameterIndex(e.id, &index) == AAX_SUCCESS && index == static_cast<int32_t>(i);
    if (!ok)
      why = std::string("parameter ") + e.name + " (id \"" + p.id + "\", steps " + std::to_string(p.steps) + ")";
  }
  ok = ok && inst.MasterBypassID() == "MasterBypassID";
  r.Check("parameters: identifiers, names, steps, defaults, types, automatable, master bypass", ok, why);

  ok = true;
  why.clear();
  for (const auto& p : params)
  {
    const int points = p.type == AAX_eParameterType_Discrete ? p.steps : 9;
    for (int k = 0; ok && k < points; ++k)
    {
      const double n = static_cast<double>(k) / (points - 1);
      std::string text, again;
      double back = -1.0;
      ok = inst.Effect().GetParameterStringFromValue(p.id.c_str(), n, &text, 32) == AAX_SUCCESS &&
           inst.Effect().GetParameterValueFromString(p.id.c_str(), &back, text) == AAX_SUCCESS &&
           inst.Effect().GetParameterStringFromValue(p.id.c_str(), back, &again, 32) == AAX_SUCCESS && again == text &&
           back >= 0.0 && back <= 1.0;
      if (!ok)
        why = p.name + " at " + std::to_string(n) + ": \"" + text + "\" -> " + std::to_string(back) + " -> \"" + again + "\"";
    }
  }
  r.Check("parameters: value to text to value round trip", ok, why);
  ok = inst.Effect().UpdateParameterNormalizedValue("nope", 0.5, AAX_eUpdateSource_Parameter) ==
       AAX_ERROR_INVALID_PARAMETER_ID;
  r.Check("parameters: an unknown identifier answers -20001", ok);
}

void CheckRendering(Report& r, HostModule& m)
{
  const double rates[] = {44100.0, 48000.0, 88200.0, 96000.0, 192000.0};
  std::mt19937 rng(1234);
  std::uniform_int_distribution<int> randomSize(1, 4096);
  std::vector<int> random;
  for (int i = 0; i < 32; ++i)
    random.push_back(randomSize(rng));
  const std::vector<std::vector<int>> schedules = {{1}, {7}, {64}, {511}, {512}, {513}, {4096}, random};
  for (const double rate : rates)
  {
    std::string why;
    bool ok = true;
    for (const AAX_CTypeID comp : {kStereoComponent, kMonoComponent})
    {
      if (comp == kMonoComponent && rate != 48000.0)
        continue;
      for (size_t s = 0; ok && s < schedules.size(); ++s)
      {
        auto inst = HostInstance::Create(m, comp, rate, 4096, why);
        if (!inst)
        {
          ok = false;
          break;
        }
        const std::vector<std::string> sets = s % 2 ? std::vector<std::string>{"Oversampling=1", "Threshold=-10", "Ratio=10:1"}
                                                    : std::vector<std::string>{"Threshold=0", "XFormer=1", "Turbo=1"};
        Audio out;
        const Audio silence = Silence(rate, inst->MainChannels(), static_cast<int64_t>(rate * 0.1));
        const Audio noise = Noise(rate, inst->MainChannels(), 0.1, 7, 0.5f);
        ok = Apply(*inst, sets, why) && RenderBlocks(*inst, silence, schedules[s], out, why) && AllClean(out, why) &&
             RenderBlocks(*inst, noise, schedules[s], out, why) && AllClean(out, why) &&
             RenderBlocks(*inst, silence, schedules[s], out, why) && AllClean(out, why);
        if (!ok)
          why = (comp == kMonoComponent ? "mono, " : "stereo, ") + std::string("schedule ") + std::to_string(s) + ": " + why;
      }
    }
    char name[128];
    std::snprintf(name, sizeof(name), "render at %g Hz, blocks 1/7/64/511/512/513/4096/random: finite, no subnormals", rate);
    r.Check(name, ok, why);
  }
}

void CheckAutomationFuzz(Report& r, HostModule& m)
{
  std::string why;
  auto inst = HostInstance::Create(m, kStereoComponent, 48000.0, 1024, why);
  bool ok = inst != nullptr;
  if (ok)
  {
    const auto params = inst->Parameters();
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<int> size(1, 1024);
    const Audio noise = Noise(48000.0, 2, 2.0, 11, 0.7f);
    for (int round = 0; ok && round < 40; ++round)
    {
      for (int k = 0; k < 3; ++k)
      {
        const auto& p = params[static_cast<size_t>(rng() % params.size())];
        if (inst->UpdateParameter(p.id, unit(rng)) != AAX_SUCCESS)
        {
          ok = false;
          why = "update of " + p.name + " refused";
        }
      }
      inst->GenerateCoefficients();
      Audio slice;
      slice.sampleRate = 48000.0;
      const size_t from = static_cast<size_t>(round) * 2400;
      for (const auto& ch : noise.channels)
        slice.channels.emplace_back(ch.begin() + static_cast<std::ptrdiff_t>(from), ch.begin() + static_cast<std::ptrdiff_t>(from + 2400));
      Audio out;
      ok = ok && RenderBlocks(*inst, slice, {size(rng), size(rng)}, out, why) && AllClean(out, why) && ParamsInRange(*inst, why);
    }
  }
  r.Check("random automation of every parameter while rendering", ok, why);
}

void CheckStateAcrossInstances(Report& r, HostModule& m)
{
  std::string why;
  auto a = HostInstance::Create(m, kStereoComponent, 48000.0, 512, why);
  auto b = HostInstance::Create(m, kStereoComponent, 48000.0, 512, why);
  bool ok = a && b &&
            Apply(*a, {"Boost=3.3", "HF=40", "HPF=150", "Make-Up Gain=2.5", "Mid Gain=-1.25", "Compressor Mix=80",
                       "Threshold=-4.2", "Transient Mix=30", "Transient Tilt=2", "Attack Time=1 ms", "Ratio=5:1",
                       "Release Time=.6 sec", "Turbo=1", "XFormer=1", "Oversampling=Oversampling On"},
                  why);
  std::vector<uint8_t> saved, back;
  ok = ok && a->SaveState(saved, why) && b->LoadState(saved, why) && b->SaveState(back, why);
  r.Check("state: a second instance restored from the first saves back byte-identical state", ok && saved == back,
          ok ? std::to_string(saved.size()) + " vs " + std::to_string(back.size()) + " bytes differ" : why);
  bool equal = false;
  r.Check("state: CompareActiveChunk answers equal for the restored state", ok && b->StateMatches(saved, equal) && equal);

  Audio programme = SynthesiseDemoProgramme(48000.0, 1.5);
  Audio outA, outB;
  ok = ok && RenderBlocks(*a, programme, {512}, outA, why) && RenderBlocks(*b, programme, {512}, outB, why);
  bool same = ok;
  for (size_t c = 0; same && c < 2; ++c)
    same = std::memcmp(outA.channels[c].data(), outB.channels[c].data(), outA.channels[c].size() * sizeof(float)) == 0;
  r.Check("state: set through parameters and restored from state render bit for bit the same", same, why);
}

void CheckDamagedChunks(Report& r, HostModule& m)
{
  std::string why;
  auto inst = HostInstance::Create(m, kStereoComponent, 48000.0, 512, why);
  std::vector<uint8_t> valid;
  bool ok = inst && inst->SaveState(valid, why);
  std::mt19937 rng(4242);
  std::vector<std::vector<uint8_t>> chunks;
  for (size_t n = 0; ok && n < valid.size(); n += 3)
    chunks.emplace_back(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(n));
  for (int k = 0; ok && k < 4; ++k)
  {
    auto big = valid;
    big.resize(valid.size() + 64u * static_cast<size_t>(k + 1), static_cast<uint8_t>(rng()));
    chunks.push_back(big);
  }
  for (int k = 0; k < 200; ++k)
  {
    std::vector<uint8_t> junk(rng() % 400);
    for (auto& x : junk)
      x = static_cast<uint8_t>(rng());
    if (k % 4 == 0 && junk.size() >= valid.size())
      std::fill(junk.begin() + 12, junk.end(), 0xFF); // NaN doubles
    chunks.push_back(std::move(junk));
  }
  const Audio noise = Noise(48000.0, 2, 0.05, 3, 0.5f);
  for (size_t k = 0; ok && k < chunks.size(); ++k)
  {
    std::string error;
    bool damaged = false;
    const bool loaded = inst->LoadState(chunks[k], error, &damaged);
    // Shorter than a state: refused as damaged. Random bytes of a state's length or more are values
    // like any other (clamped); crashing or a wild value is never fine.
    if (chunks[k].size() < valid.size() && (loaded || !damaged))
    {
      ok = false;
      why = loaded ? "restored as if whole" : "refused, but not as damaged: " + error;
    }
    else if (chunks[k].size() >= valid.size() && !loaded)
    {
      ok = false;
      why = "refused: " + error;
    }
    Audio out;
    ok = ok && ParamsInRange(*inst, why) && RenderBlocks(*inst, noise, {512}, out, why) && AllClean(out, why);
    if (!ok)
      why = "chunk " + std::to_string(k) + " (" + std::to_string(chunks[k].size()) + " bytes): " + why;
  }
  r.Check("state: truncated chunks are refused as damaged, oversized and random ones restored, none crashes or "
          "sets a value out of range",
          ok, why);
}

void CheckLatency(Report& r, HostModule& m)
{
  const double rate = 48000.0;
  const int64_t at = 4096;
  std::string why;
  for (const bool oversampling : {false, true})
  {
    auto inst = HostInstance::Create(m, kStereoComponent, rate, 512, why);
    bool ok = inst && Apply(*inst, {std::string("Oversampling=") + (oversampling ? "1" : "0"), "Compressor Mix=0"}, why);
    Audio impulse = Silence(rate, 2, 16384), out;
    impulse.channels[0][static_cast<size_t>(at)] = 0.5f;
    impulse.channels[1][static_cast<size_t>(at)] = 0.5f;
    ok = ok && RenderBlocks(*inst, impulse, {512}, out, why);
    const int64_t delay = ok ? PeakIndex(out) - at : -1;
    const int32_t reported = inst ? inst->Latency() : -1;
    char name[160];
    std::snprintf(name, sizeof(name), "latency with oversampling %s: reported %d equals the impulse's delay %lld",
                  oversampling ? "on" : "off", reported, static_cast<long long>(delay));
    r.Check(name, ok && reported == (oversampling ? 64 : 0) && delay == reported, why);
  }

  // The host-bypass path must keep the track aligned: it delays by the latency the plug-in reported.
  auto inst = HostInstance::Create(m, kStereoComponent, rate, 512, why);
  std::string bypass;
  bool ok = inst && Apply(*inst, {"Oversampling=1"}, why) && FindMasterBypass(*inst, bypass);
  Audio warm = Noise(rate, 2, 0.05, 5, 0.1f), out;
  ok = ok && RenderBlocks(*inst, warm, {512}, out, why);
  const int32_t reported = inst ? inst->Latency() : -1;
  ok = ok && inst->UpdateParameter(bypass, 1.0) == AAX_SUCCESS && inst->GenerateCoefficients() == AAX_SUCCESS;
  Audio impulse = Silence(rate, 2, 8192);
  impulse.channels[0][static_cast<size_t>(at)] = 0.5f;
  ok = ok && RenderBlocks(*inst, impulse, {512}, out, why);
  const int64_t delay = ok ? PeakIndex(out) - at : -1;
  const bool exact = ok && delay >= 0 && out.channels[0][static_cast<size_t>(at + delay)] == 0.5f;
  char name[160];
  std::snprintf(name, sizeof(name), "host bypass delays by the reported latency (%d): impulse delayed %lld", reported,
                static_cast<long long>(delay));
  r.Check(name, exact && reported == 64 && delay == reported, why);
}

void CheckRealtimeMatchesOffline(Report& r, HostModule& m)
{
  std::string why;
  auto a = HostInstance::Create(m, kStereoComponent, 48000.0, 512, why);
  auto b = HostInstance::Create(m, kStereoComponent, 48000.0, 512, why);
  const std::vector<std::string> sets = {"Ratio=4:1", "Threshold=0", "Oversampling=1", "Release Time=Auto"};
  const Audio programme = SynthesiseDemoProgramme(48000.0, 1.0);
  Audio rt, off;
  RenderOptions live, offline;
  offline.offline = true;
  bool ok = a && b && Apply(*a, sets, why) && Apply(*b, sets, why) && RenderFile(*a, programme, {}, live, rt, why) &&
            RenderFile(*b, programme, {}, offline, off, why);
  ok = ok && rt.channels == off.channels;
  r.Check("the audio thread and offline rendering give the same samples", ok, why);
}

} // namespace

int RunValidate(const CommandLine& cl)
{
  if (cl.soakSeconds > 0.0)
    return RunSoak(cl, cl.soakSeconds);
  if (cl.threads)
    return RunThreads(cl);
  Report report;
  const std::string path = cl.module.empty() ? DefaultModulePath() : cl.module;
  CheckModuleLifecycle(report, path);

  Session session(cl);
  std::string error;
  if (!session.Load(error))
  {
    report.Check("load the module", false, error);
    return report.Finish();
  }
  HostModule& m = session.Module();
  CheckDescription(report, m);
  {
    auto inst = HostInstance::Create(m, kStereoComponent, 48000.0, 512, error);
    report.Check("create and initialise an instance", inst != nullptr, error);
    if (inst)
      CheckParameters(report, *inst);
  }
  CheckRendering(report, m);
  CheckAutomationFuzz(report, m);
  CheckStateAcrossInstances(report, m);
  CheckDamagedChunks(report, m);
  CheckLatency(report, m);
  CheckAudioThreadPaths(report, m);
  CheckRealtimeMatchesOffline(report, m);
  const int assertions = m.Services().AssertionCount();
  report.Check("the module reported no failed internal checks", assertions == 0,
               std::to_string(assertions) + " assertion reports (see --verbose)");
  return report.Finish();
}

} // namespace quorvane::host
