#pragma once
// windows.h for the editor's Windows sources. It maps some function names to their A or W forms with
// macros; the graphics context and the resource source have methods of those names, which must keep
// them in every translation unit, whatever it included first.

#include <windows.h>

#undef DrawText
#undef FindResource
