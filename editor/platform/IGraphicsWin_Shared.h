#pragma once
// What the files of the Windows window share: typed lookups of system exports and UTF-8 text for Win32.

#include <windows.h>

#include <string>

namespace iplug::igraphics::win {

// GetProcAddress's result as a typed pointer; void (*)() converts to any function type without a warning.
template <class Fn>
Fn ProcAddress(HMODULE module, const char* name)
{
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name))) : nullptr;
}

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const wchar_t* text, int length);

// Whether this system has the kernel's vertical-blank waits (Windows 8 and later).
bool SystemHasVerticalBlankWaits();

} // namespace iplug::igraphics::win
