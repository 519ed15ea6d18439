#pragma once
// How the command line names parameters and values: NAME=VALUE assignments, automation files of
// "FRAME NAME=VALUE" lines, and turning a display name or index and a real value or display text into
// an AAX identifier and normalised value the way a host's parameter entry does.

#include "host/HostInstance.h"

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace quorvane::host {

struct Assignment
{
  std::string name;
  std::string value;
};

struct AutomationEvent
{
  int64_t frame = 0;
  Assignment assignment;
  int line = 0;
};

// A resolved change: what the host sends with UpdateParameterNormalizedValue.
struct ParameterChange
{
  std::string id;
  std::string name;
  double normalized = 0.0;
};

// any thread; "NAME=VALUE" with both sides trimmed and non-empty
bool ParseAssignment(const std::string& text, Assignment& out, std::string& error);

// any thread; one "FRAME NAME=VALUE" per line, '#' comments and blank lines skipped. Events come back
// ordered by frame, lines of the same frame in file order.
bool ParseAutomation(std::istream& in, std::vector<AutomationEvent>& out, std::string& error);

// any thread; this product's display texts of the int parameters whose texts the AAX layer shows as
// plain numbers, by parameter display name (case-insensitive). Entry k is the text of value k; empty
// when the parameter has none.
const std::vector<std::string>& KnownDisplayTexts(const std::string& parameterName);

// any thread; the parameter named `name` (display name, case-insensitive, or the product's parameter
// index 0..18, whose AAX identifier is index + 1); null when there is none.
const ParameterInfo* FindParameter(const std::vector<ParameterInfo>& params, const std::string& name);

// main thread; a real value (optionally followed by the parameter's unit) or a display text turned into
// the normalised value of `param`. False with a one-line reason for text nothing reads, or a number
// outside the parameter's range.
bool ResolveValue(const AAX_IEffectParameters& effect, const ParameterInfo& param, const std::string& value,
                  double& normalized, std::string& error);

// main thread; FindParameter, then ResolveValue
bool ResolveAssignment(const AAX_IEffectParameters& effect, const std::vector<ParameterInfo>& params,
                       const Assignment& assignment, ParameterChange& out, std::string& error);

} // namespace quorvane::host
