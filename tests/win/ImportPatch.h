#pragma once
// Points one entry of a loaded module's import address table at a function of the test's, for the life
// of the object. The tests count what the module creates and releases through the system this way: an
// exact balance, untouched by what the heap, the driver or a busy machine do meanwhile.

#include <windows.h>

#include <cstring>

namespace quorvane::test {

class ImportPatch
{
public:
  // `dll` as the module names it in its imports (case-insensitive), `function` by name.
  ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement)
  {
    auto* const base = reinterpret_cast<unsigned char*>(module);
    if (base == nullptr)
      return;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
      return;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
      return;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0; ++d)
    {
      if (_stricmp(reinterpret_cast<const char*>(base + d->Name), dll) != 0)
        continue;
      const DWORD lookup = d->OriginalFirstThunk != 0 ? d->OriginalFirstThunk : d->FirstThunk;
      const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + lookup);
      auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
      for (; names->u1.AddressOfData != 0; ++names, ++slots)
      {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
          continue;
        const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
        if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0)
          continue;
        mSlot = reinterpret_cast<void**>(&slots->u1.Function);
        mOriginal = *mSlot;
        Write(replacement);
        return;
      }
    }
  }

  ~ImportPatch()
  {
    if (mSlot != nullptr)
      Write(mOriginal);
  }

  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;

  bool Installed() const { return mSlot != nullptr; }

  // The system's function the entry pointed at, as `Fn`.
  template <class Fn>
  Fn Original() const
  {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(mOriginal));
  }

private:
  void Write(void* target)
  {
    DWORD protection = 0;
    if (!VirtualProtect(mSlot, sizeof(void*), PAGE_READWRITE, &protection))
      return;
    *mSlot = target;
    VirtualProtect(mSlot, sizeof(void*), protection, &protection);
  }

  void** mSlot = nullptr;
  void* mOriginal = nullptr;
};

} // namespace quorvane::test
