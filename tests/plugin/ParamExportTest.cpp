// What every format exports of Quorvane's parameters: the identifiers sessions store, unchanged from the
// AAX ids and the LV2 symbols hosts already saved, and the kind, steps and unit each binding translates.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "IPlug/AAX/IPlugAAX.h"
#include "IPlug/IPlugParamExport.h"
#include "plugin/Quorvane.h"

using namespace iplug;

TEST(ParamExport, SymbolsFromDisplayNames)
{
  EXPECT_EQ(ParamSymbolFromName("Make-Up Gain"), "make_up_gain");
  EXPECT_EQ(ParamSymbolFromName("HPF"), "hpf");
  EXPECT_EQ(ParamSymbolFromName("  Transient  Tilt "), "transient_tilt");
  EXPECT_EQ(ParamSymbolFromName("3 Band"), "p_3_band");
  EXPECT_EQ(ParamSymbolFromName("Gain (dB)"), "gain_db");
  EXPECT_EQ(ParamSymbolFromName(""), "p_");
  EXPECT_EQ(ParamSymbolFromName("Über"), "ber"); // only ASCII letters survive
}

// The golden table: changing any of these breaks stored sessions and automation.
TEST(ParamExport, EveryIndexKeepsItsIdSymbolKindStepsAndUnit)
{
  struct Row
  {
    const char* id;
    const char* symbol;
    ParamKind kind;
    int steps;
    ExportUnit unit;
  };
  using K = ParamKind;
  using U = ExportUnit;
  const Row golden[] = {
    {"1", "", K::kUndefined, 0, U::kNone},
    {"2", "boost", K::kContinuous, 0, U::kDecibels},
    {"3", "hf", K::kContinuous, 0, U::kPercent},
    {"4", "hpf", K::kContinuous, 0, U::kHertz},
    {"5", "make_up_gain", K::kContinuous, 0, U::kDecibels},
    {"6", "mid_gain", K::kContinuous, 0, U::kDecibels},
    {"7", "compressor_mix", K::kContinuous, 0, U::kPercent},
    {"8", "threshold", K::kContinuous, 0, U::kDecibels},
    {"9", "transient_mix", K::kContinuous, 0, U::kPercent},
    {"10", "transient_tilt", K::kContinuous, 0, U::kDecibels},
    {"11", "", K::kUndefined, 0, U::kNone}, // the meter
    {"12", "attack_time", K::kChoice, 5, U::kNone},
    {"13", "bypass", K::kToggle, 1, U::kNone},
    {"14", "external_sidechain", K::kToggle, 1, U::kNone},
    {"15", "ratio", K::kChoice, 5, U::kNone},
    {"16", "release_time", K::kChoice, 4, U::kNone},
    {"17", "turbo", K::kToggle, 1, U::kNone},
    {"18", "xformer", K::kToggle, 1, U::kNone},
    {"19", "oversampling", K::kToggle, 1, U::kNone},
  };
  const quorvane::Quorvane plug;
  const std::vector<ParamExport> exported = ExportParams(plug);
  ASSERT_EQ(exported.size(), std::size(golden));
  for (size_t i = 0; i < exported.size(); ++i)
  {
    SCOPED_TRACE(i);
    const ParamExport& e = exported[i];
    EXPECT_EQ(e.index, static_cast<int>(i));
    EXPECT_EQ(e.id, golden[i].id);
    EXPECT_EQ(e.id, IPlugAAX::ParamIDFromIndex(static_cast<int>(i))) << "the AAX binding's own id";
    EXPECT_EQ(e.symbol, golden[i].symbol);
    EXPECT_EQ(e.kind, golden[i].kind);
    EXPECT_EQ(e.steps, golden[i].steps);
    EXPECT_EQ(e.unit, golden[i].unit);
    EXPECT_EQ(e.param != nullptr, golden[i].kind != K::kUndefined);
    if (e.param != nullptr)
    {
      EXPECT_EQ(e.defaultValue, e.param->GetDefault());
      EXPECT_TRUE(e.automatable);
      EXPECT_LT(e.min, e.max);
    }
  }
}
