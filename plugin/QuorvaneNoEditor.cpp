// Quorvane without its editor: for builds that must not carry OpenGL or X11 (the LV2 DSP module, the
// bundle's TTL generator, the fuzz targets). The host's UI talks to a separate editor module instead.
#include "plugin/QuorvaneEditor.h"

namespace quorvane {

void AttachEditor(Quorvane&) {}

} // namespace quorvane
