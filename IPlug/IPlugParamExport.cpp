#include "IPlug/IPlugParamExport.h"

#include <cctype>
#include <cstring>

#include "IPlug/IEditorDelegate.h"

namespace iplug {

namespace {

ExportUnit UnitOf(const char* label)
{
  struct Known
  {
    const char* label;
    ExportUnit unit;
  };
  static constexpr Known kKnown[] = {{"dB", ExportUnit::kDecibels},
                                     {"%", ExportUnit::kPercent},
                                     {"Hz", ExportUnit::kHertz},
                                     {"ms", ExportUnit::kMilliseconds}};
  for (const Known& known : kKnown)
  {
    if (label != nullptr && std::strcmp(label, known.label) == 0)
      return known.unit;
  }
  return ExportUnit::kNone;
}

} // namespace

std::vector<ParamExport> ExportParams(const IEditorDelegate& plug)
{
  std::vector<ParamExport> exported(static_cast<size_t>(plug.NParams()));
  for (int i = 0; i < plug.NParams(); ++i)
  {
    ParamExport& e = exported[static_cast<size_t>(i)];
    e.index = i;
    e.id = std::to_string(i + 1);
    const IParam* param = plug.GetParam(i);
    if (param == nullptr || param->Type() == kTypeNone)
      continue;
    e.param = param;
    e.symbol = ParamSymbolFromName(param->GetName());
    e.min = param->GetMin();
    e.max = param->GetMax();
    e.defaultValue = param->GetDefault();
    e.unit = UnitOf(param->GetLabel());
    e.automatable = param->GetCanAutomate();
    const bool integral = param->Type() != kTypeDouble;
    if (!integral)
      e.kind = ParamKind::kContinuous;
    else if (e.min == 0.0 && e.max == 1.0)
      e.kind = ParamKind::kToggle;
    else if (param->NDisplayTexts() > 0)
      e.kind = ParamKind::kChoice;
    else
      e.kind = ParamKind::kStepped;
    e.steps = integral ? static_cast<int>(e.max - e.min) : 0;
  }
  return exported;
}

std::string ParamSymbolFromName(const char* name)
{
  std::string symbol;
  bool gap = false;
  for (const char* c = name; c != nullptr && *c != '\0'; ++c)
  {
    const auto ch = static_cast<unsigned char>(*c);
    if (std::isalnum(ch) && ch < 0x80)
    {
      if (gap && !symbol.empty())
        symbol += '_';
      symbol += static_cast<char>(std::tolower(ch));
      gap = false;
    }
    else
      gap = true;
  }
  if (symbol.empty() || std::isdigit(static_cast<unsigned char>(symbol.front())))
    symbol.insert(0, "p_");
  return symbol;
}

} // namespace iplug
