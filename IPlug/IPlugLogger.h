#pragma once
// The diagnostic trace sink. Framework code traces its notable events here; this product discards
// them, so a trace costs nothing and no behaviour may depend on one.

namespace iplug {

template <typename... Args>
inline void Trace(const char* /*function*/, int /*line*/, const char* /*format*/, Args&&... /*args*/)
{
}

} // namespace iplug

#define TRACE_F(...) ::iplug::Trace(__func__, __LINE__, __VA_ARGS__)
