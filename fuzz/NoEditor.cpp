// The fuzz targets exercise parsers and state, never the editor: the plug-in is built without one, so
// the fuzzing build needs neither OpenGL nor X11.
#include "plugin/QuorvaneEditor.h"

namespace quorvane {

void AttachEditor(Quorvane&) {}

} // namespace quorvane
