// The report picture on Windows: not drawn. It is drawn with cairo, which has no Windows build here; the
// measurement and the figures (ReportPlot.cpp) are the same on every platform.

#include "host/ReportPlot.h"

namespace quorvane::host {

bool ReportPictureAvailable() { return false; }

bool DrawReportPng(const ProgrammeReport&, const std::string&, const std::vector<std::string>&, std::string&,
                   std::string& error)
{
  error = "the report picture is drawn with cairo, which the Windows build does not have";
  return false;
}

} // namespace quorvane::host
