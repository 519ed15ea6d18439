#include "host/ParamSetting.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

namespace quorvane::host {

namespace {

std::string Trim(const std::string& s)
{
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
    ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
    --e;
  return s.substr(b, e - b);
}

std::string Lower(std::string s)
{
  for (char& c : s)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// A whole-text number; `rest` receives what follows it (trimmed).
bool ParseLeadingNumber(const std::string& text, double& value, std::string& rest)
{
  const std::string t = Trim(text);
  if (t.empty())
    return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtod(t.c_str(), &end);
  if (end == t.c_str() || errno == ERANGE || !std::isfinite(value))
    return false;
  rest = Trim(std::string(end));
  return true;
}

bool ParseFrame(const std::string& text, int64_t& frame)
{
  if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
    return false;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (errno == ERANGE)
    return false;
  frame = v;
  return true;
}

std::string Shown(const AAX_IEffectParameters& effect, const std::string& id, double normalized)
{
  std::string text;
  if (effect.GetParameterStringFromValue(id.c_str(), normalized, &text, 32) != AAX_SUCCESS)
    return {};
  return text;
}

} // namespace

bool ParseAssignment(const std::string& text, Assignment& out, std::string& error)
{
  const auto eq = text.find('=');
  if (eq == std::string::npos)
  {
    error = "expected NAME=VALUE, got \"" + text + "\"";
    return false;
  }
  out.name = Trim(text.substr(0, eq));
  out.value = Trim(text.substr(eq + 1));
  if (out.name.empty() || out.value.empty())
  {
    error = "expected NAME=VALUE, got \"" + text + "\"";
    return false;
  }
  return true;
}

bool ParseAutomation(std::istream& in, std::vector<AutomationEvent>& out, std::string& error)
{
  out.clear();
  std::string line;
  int number = 0;
  while (std::getline(in, line))
  {
    ++number;
    const auto hash = line.find('#');
    const std::string body = Trim(hash == std::string::npos ? line : line.substr(0, hash));
    if (body.empty())
      continue;
    size_t split = 0;
    while (split < body.size() && !std::isspace(static_cast<unsigned char>(body[split])))
      ++split;
    AutomationEvent ev;
    ev.line = number;
    if (!ParseFrame(body.substr(0, split), ev.frame))
    {
      error = "line " + std::to_string(number) + ": expected FRAME NAME=VALUE with a frame number >= 0";
      return false;
    }
    std::string why;
    if (!ParseAssignment(body.substr(split), ev.assignment, why))
    {
      error = "line " + std::to_string(number) + ": " + why;
      return false;
    }
    out.push_back(std::move(ev));
  }
  if (in.bad())
  {
    error = "read error";
    return false;
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const AutomationEvent& a, const AutomationEvent& b) { return a.frame < b.frame; });
  return true;
}

const std::vector<std::string>& KnownDisplayTexts(const std::string& parameterName)
{
  static const std::map<std::string, std::vector<std::string>> kTexts = {
      {"attack time", {".1 ms", ".3 ms", "1 ms", "3 ms", "10 ms", "30 ms"}},
      {"ratio", {"1.5:1", "2:1", "3:1", "4:1", "5:1", "10:1"}},
      {"release time", {".1 sec", ".3 sec", ".6 sec", "1.2 sec", "Auto"}},
      {"oversampling", {"Oversampling Off", "Oversampling On"}},
  };
  static const std::vector<std::string> kNone;
  const auto it = kTexts.find(Lower(Trim(parameterName)));
  return it == kTexts.end() ? kNone : it->second;
}

const ParameterInfo* FindParameter(const std::vector<ParameterInfo>& params, const std::string& name)
{
  const std::string wanted = Lower(Trim(name));
  for (const auto& p : params)
    if (Lower(p.name) == wanted)
      return &p;
  int64_t index = 0;
  if (ParseFrame(wanted, index) && index < 1000)
  {
    const std::string id = std::to_string(index + 1);
    for (const auto& p : params)
      if (p.id == id)
        return &p;
  }
  return nullptr;
}

bool ResolveValue(const AAX_IEffectParameters& effect, const ParameterInfo& param, const std::string& valueText,
                  double& normalized, std::string& error)
{
  const std::string value = Trim(valueText);
  const std::string wanted = Lower(value);

  // The range as the plug-in shows it at both ends, with its unit after the number.
  double lo = 0.0, hi = 0.0;
  std::string loUnit, hiUnit;
  const bool numeric = ParseLeadingNumber(Shown(effect, param.id, 0.0), lo, loUnit) &&
                       ParseLeadingNumber(Shown(effect, param.id, 1.0), hi, hiUnit);
  auto fromReal = [&](double v) { return hi == lo ? 0.5 : (v - lo) / (hi - lo); };

  const auto& known = KnownDisplayTexts(param.name);
  for (size_t k = 0; k < known.size(); ++k)
  {
    if (Lower(known[k]) == wanted && numeric)
    {
      normalized = std::clamp(fromReal(static_cast<double>(k)), 0.0, 1.0);
      return true;
    }
  }

  double v = 0.0;
  std::string unit;
  if (numeric && ParseLeadingNumber(value, v, unit) && (unit.empty() || Lower(unit) == Lower(loUnit)))
  {
    const double span = std::fabs(hi - lo);
    const double tol = 1e-9 * span + 1e-12;
    if (v < std::min(lo, hi) - tol || v > std::max(lo, hi) + tol)
    {
      std::ostringstream msg;
      msg << "value " << value << " is out of range for \"" << param.name << "\" (" << lo << " to " << hi << ")";
      error = msg.str();
      return false;
    }
    double parsed = 0.0;
    if (effect.GetParameterValueFromString(param.id.c_str(), &parsed, value) == AAX_SUCCESS && parsed >= 0.0 &&
        parsed <= 1.0)
      normalized = parsed;
    else
      normalized = std::clamp(fromReal(v), 0.0, 1.0);
    return true;
  }

  // Discrete parameters: match the text the plug-in shows at each step.
  if (param.type == AAX_eParameterType_Discrete && param.steps >= 2 && param.steps <= 4096)
  {
    for (int32_t k = 0; k < param.steps; ++k)
    {
      const double n = static_cast<double>(k) / (param.steps - 1);
      if (Lower(Trim(Shown(effect, param.id, n))) == wanted)
      {
        normalized = n;
        return true;
      }
    }
    if (param.steps == 2 && (wanted == "on" || wanted == "true" || wanted == "off" || wanted == "false"))
    {
      normalized = (wanted == "on" || wanted == "true") ? 1.0 : 0.0;
      return true;
    }
  }

  // Last, the plug-in's own text parsing, trusted only when it shows the value as the text it was given:
  // a lenient parser would otherwise read "4:2" as 4.
  double parsed = 0.0;
  if (effect.GetParameterValueFromString(param.id.c_str(), &parsed, value) == AAX_SUCCESS && parsed >= 0.0 &&
      parsed <= 1.0 && Lower(Trim(Shown(effect, param.id, parsed))) == wanted)
  {
    normalized = parsed;
    return true;
  }

  std::string expected;
  if (numeric)
  {
    std::ostringstream range;
    range << "a number from " << lo << " to " << hi;
    expected = range.str();
  }
  for (const auto& t : known)
    expected += (expected.empty() ? "" : ", ") + std::string("\"") + t + "\"";
  error = "bad value \"" + value + "\" for \"" + param.name + "\"" + (expected.empty() ? "" : " (expected " + expected + ")");
  return false;
}

bool ResolveAssignment(const AAX_IEffectParameters& effect, const std::vector<ParameterInfo>& params,
                       const Assignment& assignment, ParameterChange& out, std::string& error)
{
  const ParameterInfo* p = FindParameter(params, assignment.name);
  if (!p)
  {
    error = "unknown parameter \"" + assignment.name + "\"";
    return false;
  }
  out.id = p->id;
  out.name = p->name;
  return ResolveValue(effect, *p, assignment.value, out.normalized, error);
}

} // namespace quorvane::host
