#pragma once
// The URIDs the LV2 binding speaks, mapped once per instance (DSP or UI) through the host's map, and
// the messages the editor and the DSP exchange on the atom ports.

#include <cstdint>
#include <string>

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

namespace iplug {

struct IPlugLV2_URIs
{
  LV2_URID atomChunk = 0;
  LV2_URID atomEventTransfer = 0;
  LV2_URID atomFloat = 0;
  LV2_URID atomInt = 0;
  LV2_URID atomObject = 0;
  LV2_URID atomSequence = 0;
  LV2_URID bufMaxBlockLength = 0;
  LV2_URID bufNominalBlockLength = 0;
  LV2_URID atomLong = 0;
  LV2_URID state = 0;          // <prefix>state: the saved bytes
  LV2_URID editorSize = 0;     // <prefix>EditorSize: object with width, height, scale
  LV2_URID editorSizeGet = 0;  // <prefix>EditorSizeGet: the editor asks for the stored size
  LV2_URID width = 0;
  LV2_URID height = 0;
  LV2_URID scale = 0;

  // instantiate thread; false when the map is missing
  bool Map(const LV2_URID_Map* map, const char* prefix);
};

// The data of the host's feature with this URI; null when the host offers none.
const void* FindLV2Feature(const LV2_Feature* const* features, const char* uri);

// The three values of an EditorSize message; false when the atom is not one, or is damaged.
bool ReadEditorSizeMessage(const IPlugLV2_URIs& uris, const LV2_Atom* atom, int32_t& width, int32_t& height,
                           float& scale);
// Write an EditorSize message, or the editor's EditorSizeGet, with the forge; false when the forge ran
// out of room.
bool ForgeEditorSizeMessage(const IPlugLV2_URIs& uris, LV2_Atom_Forge& forge, int32_t width, int32_t height,
                            float scale);
bool ForgeEditorSizeRequest(const IPlugLV2_URIs& uris, LV2_Atom_Forge& forge);

} // namespace iplug
