// The module file itself, read as a host's loader would see it: where it sits in the bundle, what it
// exports, which DLLs it needs, and the resources it carries.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::string ProgramDir()
{
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path);
  return dir.substr(0, dir.find_last_of("\\/"));
}

std::string ModulePath() { return ProgramDir() + "\\Quorvane.aaxplugin\\Contents\\x64\\Quorvane.aaxplugin"; }

// The module mapped as an image without running it or resolving its imports.
class MappedModule
{
public:
  MappedModule()
    : mModule(LoadLibraryExA(ModulePath().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES))
  {}
  ~MappedModule()
  {
    if (mModule)
      FreeLibrary(mModule);
  }
  MappedModule(const MappedModule&) = delete;
  MappedModule& operator=(const MappedModule&) = delete;

  HMODULE Handle() const { return mModule; }
  const BYTE* Base() const { return reinterpret_cast<const BYTE*>(mModule); }

  const IMAGE_DATA_DIRECTORY& Directory(int entry) const
  {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(Base());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(Base() + dos->e_lfanew);
    return nt->OptionalHeader.DataDirectory[entry];
  }

  std::vector<std::string> Exports() const
  {
    std::vector<std::string> names;
    const IMAGE_DATA_DIRECTORY& dir = Directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
    if (dir.Size == 0)
      return names;
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(Base() + dir.VirtualAddress);
    const auto* nameRvas = reinterpret_cast<const DWORD*>(Base() + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
      names.emplace_back(reinterpret_cast<const char*>(Base() + nameRvas[i]));
    EXPECT_EQ(exports->NumberOfNames, exports->NumberOfFunctions) << "exports without a name";
    return names;
  }

  std::vector<std::string> Imports() const
  {
    std::vector<std::string> dlls;
    const IMAGE_DATA_DIRECTORY& dir = Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(Base() + dir.VirtualAddress);
         dir.Size != 0 && d->Name != 0; ++d)
    {
      std::string name(reinterpret_cast<const char*>(Base() + d->Name));
      std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
      dlls.push_back(name);
    }
    return dlls;
  }

private:
  HMODULE mModule;
};

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR out)
{
  auto* names = reinterpret_cast<std::vector<std::string>*>(out);
  if (IS_INTRESOURCE(name))
    names->push_back(std::string("#").append(std::to_string(reinterpret_cast<uintptr_t>(name))));
  else
    names->push_back(name);
  return TRUE;
}

std::vector<std::string> ResourceNames(HMODULE module, const char* type)
{
  std::vector<std::string> names;
  EnumResourceNamesA(module, type, &CollectName, reinterpret_cast<LONG_PTR>(&names));
  std::sort(names.begin(), names.end());
  return names;
}

} // namespace

TEST(ModuleFile, ExportsExactlyTheSevenEntryPointsAndNeedsOnlySystemDLLs)
{
  MappedModule module;
  ASSERT_NE(nullptr, module.Handle()) << ModulePath() << ": error " << GetLastError();

  std::vector<std::string> exports = module.Exports();
  std::sort(exports.begin(), exports.end());
  const std::vector<std::string> expected = {"ACFCanUnloadNow",      "ACFGetClassFactory", "ACFGetSDKVersion",
                                             "ACFRegisterComponent", "ACFRegisterPlugin",  "ACFShutdown",
                                             "ACFStartup"};
  EXPECT_EQ(expected, exports);

  // The C and C++ runtimes are linked in: nothing of mingw's has to sit beside the module.
  const std::set<std::string> system = {"kernel32.dll", "user32.dll",   "gdi32.dll",  "opengl32.dll",
                                        "shell32.dll",  "msvcrt.dll",   "advapi32.dll", "ole32.dll",
                                        "comctl32.dll", "ntdll.dll",    "imm32.dll"};
  for (const std::string& dll : module.Imports())
  {
    const bool apiSet = dll.rfind("api-ms-win-", 0) == 0;
    EXPECT_TRUE(apiSet || system.count(dll)) << "the module needs " << dll;
  }
}

TEST(ModuleFile, CarriesTheEightFilmStripsAndTheFontUnderQuotedNames)
{
  MappedModule module;
  ASSERT_NE(nullptr, module.Handle());

  const std::vector<std::string> png = {"\"AKNOB@2X.PNG\"", "\"ATRAT@2X.PNG\"", "\"BG@2X.PNG\"",
                                        "\"BSW@2X.PNG\"",   "\"NEEDLE@2X.PNG\"", "\"OVER@2X.PNG\"",
                                        "\"REL@2X.PNG\"",   "\"SSW@2X.PNG\""};
  EXPECT_EQ(png, ResourceNames(module.Handle(), "PNG"));
  EXPECT_EQ(std::vector<std::string>{"\"ROBOTO-REGULAR.TTF\""}, ResourceNames(module.Handle(), "TTF"));

  // Each is the file's bytes: a PNG signature, a TrueType version tag.
  for (const auto& [name, type, magic] : {std::tuple{"\"BG@2X.PNG\"", "PNG", std::string("\x89PNG", 4)},
                                          std::tuple{"\"ROBOTO-REGULAR.TTF\"", "TTF", std::string("\0\1\0\0", 4)}})
  {
    HRSRC found = FindResourceA(module.Handle(), name, type);
    ASSERT_NE(nullptr, found) << name;
    HGLOBAL loaded = LoadResource(module.Handle(), found);
    const auto* bytes = static_cast<const char*>(LockResource(loaded));
    ASSERT_NE(nullptr, bytes);
    ASSERT_GT(SizeofResource(module.Handle(), found), 1000u);
    EXPECT_EQ(magic, std::string(bytes, 4)) << name;
  }
}
