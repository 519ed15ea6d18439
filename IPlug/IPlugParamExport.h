#pragma once
// What every format shows a host of each parameter, derived once from the parameter table: its kind,
// steps, unit, range and default, its flags, and the identifiers sessions store (the AAX id, the symbol).
// A binding translates these into its format's terms and never derives them again.

#include <string>
#include <vector>

namespace iplug {

class IEditorDelegate;
class IParam;

enum class ParamKind
{
  kUndefined,  // an index the plug-in never defined: no host sees it
  kContinuous, // a real value
  kStepped,    // whole numbers
  kChoice,     // whole numbers, each with its text
  kToggle,     // off and on
};

enum class ExportUnit
{
  kNone,
  kDecibels,
  kPercent,
  kHertz,
  kMilliseconds,
};

struct ParamExport
{
  int index = -1;
  ParamKind kind = ParamKind::kUndefined;
  // distinct values less one (a toggle has 1); 0 for a continuous parameter
  int steps = 0;
  ExportUnit unit = ExportUnit::kNone;
  double min = 0.0;
  double max = 0.0;
  double defaultValue = 0.0;
  bool automatable = false;
  // Stable identifiers: the AAX parameter id ("1" for index 0) and the symbol of the LV2 port and of any
  // format that names parameters in lower case ("make_up_gain").
  std::string id;
  std::string symbol;
  // names, display texts and conversions; null for an undefined index
  const IParam* param = nullptr;
};

// any thread; one entry per parameter index, in order
std::vector<ParamExport> ExportParams(const IEditorDelegate& plug);

// any thread; the symbol a display name exports as: lower-case ASCII letters and digits joined by '_',
// never starting with a digit ("Make-Up Gain" -> "make_up_gain")
std::string ParamSymbolFromName(const char* name);

} // namespace iplug
