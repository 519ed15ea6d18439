#pragma once
// The golden scenarios' output samples as a file, so that two builds of the chain (Linux and Windows, with
// their different C runtimes) can be compared in full double precision. Per scenario and path: the name,
// whether it is the exact chain, the count, then every output sample (left and right interleaved) and the
// meter values, as native doubles.

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/plugin/GoldenScenarios.h"

namespace quorvane::test {

inline std::vector<double> ScenarioSamples(const Scenario& s, bool exact)
{
  std::vector<double> samples;
  RunScenario(s, exact, [&](const ScenarioBlock& b) {
    for (size_t i = 0; i < b.out.L.size(); ++i)
    {
      samples.push_back(b.out.L[i]);
      samples.push_back(b.out.R[i]);
    }
    samples.insert(samples.end(), b.meterValues.begin(), b.meterValues.end());
  });
  return samples;
}

// (scenario name, exact) -> samples
using GoldenDump = std::map<std::pair<std::string, bool>, std::vector<double>>;

inline GoldenDump MakeGoldenDump()
{
  GoldenDump dump;
  for (const Scenario& s : Scenarios())
    for (const bool exact : {true, false})
      dump[{s.name, exact}] = ScenarioSamples(s, exact);
  return dump;
}

inline bool WriteGoldenDump(const std::string& path, const GoldenDump& dump)
{
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr)
    return false;
  bool ok = true;
  for (const auto& [key, samples] : dump)
  {
    const uint32_t nameSize = static_cast<uint32_t>(key.first.size());
    const uint8_t exact = key.second ? 1 : 0;
    const uint64_t count = samples.size();
    ok = ok && std::fwrite(&nameSize, sizeof nameSize, 1, f) == 1 &&
         std::fwrite(key.first.data(), 1, nameSize, f) == nameSize && std::fwrite(&exact, 1, 1, f) == 1 &&
         std::fwrite(&count, sizeof count, 1, f) == 1 &&
         std::fwrite(samples.data(), sizeof(double), count, f) == count;
  }
  return std::fclose(f) == 0 && ok;
}

inline bool ReadGoldenDump(const std::string& path, GoldenDump& dump)
{
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr)
    return false;
  uint32_t nameSize = 0;
  bool ok = true;
  while (ok && std::fread(&nameSize, sizeof nameSize, 1, f) == 1)
  {
    std::string name(nameSize < 256 ? nameSize : 0, '\0');
    uint8_t exact = 0;
    uint64_t count = 0;
    ok = nameSize < 256 && std::fread(name.data(), 1, nameSize, f) == nameSize && std::fread(&exact, 1, 1, f) == 1 &&
         std::fread(&count, sizeof count, 1, f) == 1 && count < (uint64_t(1) << 26);
    if (!ok)
      break;
    std::vector<double> samples(count);
    ok = std::fread(samples.data(), sizeof(double), count, f) == count;
    dump[{name, exact != 0}] = std::move(samples);
  }
  std::fclose(f);
  return ok && !dump.empty();
}

} // namespace quorvane::test
