// Writes the LV2 bundle's manifest.ttl and Quorvane.ttl into the folder given, from a Quorvane object
// made without a host: the parameter table the modules are built from is the one described.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "IPlug/LV2/IPlugLV2_TTL.h"
#include "plugin/Quorvane.h"
#include "plugin/QuorvaneLV2.h"

namespace {
bool WriteFile(const std::filesystem::path& path, const std::string& text)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out)
  {
    std::fprintf(stderr, "quorvane-lv2-ttl: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}
} // namespace

int main(int argc, char** argv)
{
  if (argc != 2)
  {
    std::fprintf(stderr, "usage: quorvane-lv2-ttl BUNDLE_DIR\n");
    return 2;
  }
  const std::filesystem::path bundle = argv[1];
  std::error_code error;
  std::filesystem::create_directories(bundle, error);
  const auto plug = std::make_unique<quorvane::Quorvane>();
  const iplug::IPlugLV2_Info& info = quorvane::LV2Info();
  const bool written = WriteFile(bundle / "manifest.ttl", iplug::LV2ManifestTTL(info, "Quorvane.ttl")) &&
                       WriteFile(bundle / "Quorvane.ttl", iplug::LV2PluginTTL(info, *plug));
  return written ? 0 : 1;
}
