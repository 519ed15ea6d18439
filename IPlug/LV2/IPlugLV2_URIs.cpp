#include "IPlug/LV2/IPlugLV2_URIs.h"

#include <cmath>
#include <cstring>

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>

namespace iplug {

bool IPlugLV2_URIs::Map(const LV2_URID_Map* map, const char* prefix)
{
  if (map == nullptr || map->map == nullptr)
    return false;
  auto m = [map](const char* uri) { return map->map(map->handle, uri); };
  const std::string p = prefix != nullptr ? prefix : "";
  atomChunk = m(LV2_ATOM__Chunk);
  atomEventTransfer = m(LV2_ATOM__eventTransfer);
  atomFloat = m(LV2_ATOM__Float);
  atomInt = m(LV2_ATOM__Int);
  atomLong = m(LV2_ATOM__Long);
  atomObject = m(LV2_ATOM__Object);
  atomSequence = m(LV2_ATOM__Sequence);
  bufMaxBlockLength = m(LV2_BUF_SIZE__maxBlockLength);
  bufNominalBlockLength = m(LV2_BUF_SIZE__nominalBlockLength);
  state = m((p + "state").c_str());
  editorSize = m((p + "EditorSize").c_str());
  editorSizeGet = m((p + "EditorSizeGet").c_str());
  width = m((p + "width").c_str());
  height = m((p + "height").c_str());
  scale = m((p + "scale").c_str());
  return true;
}

const void* FindLV2Feature(const LV2_Feature* const* features, const char* uri)
{
  for (const LV2_Feature* const* f = features; f != nullptr && *f != nullptr; ++f)
  {
    if ((*f)->URI != nullptr && std::strcmp((*f)->URI, uri) == 0)
      return (*f)->data;
  }
  return nullptr;
}

bool ReadEditorSizeMessage(const IPlugLV2_URIs& uris, const LV2_Atom* atom, int32_t& width, int32_t& height,
                           float& scale)
{
  if (atom == nullptr || atom->type != uris.atomObject || atom->size < sizeof(LV2_Atom_Object_Body))
    return false;
  const auto* object = reinterpret_cast<const LV2_Atom_Object*>(atom);
  if (object->body.otype != uris.editorSize)
    return false;
  const LV2_Atom* w = nullptr;
  const LV2_Atom* h = nullptr;
  const LV2_Atom* s = nullptr;
  lv2_atom_object_get(object, uris.width, &w, uris.height, &h, uris.scale, &s, 0);
  if (w == nullptr || h == nullptr || s == nullptr || w->type != uris.atomInt || h->type != uris.atomInt ||
      s->type != uris.atomFloat || w->size < sizeof(int32_t) || h->size < sizeof(int32_t) || s->size < sizeof(float))
    return false;
  width = reinterpret_cast<const LV2_Atom_Int*>(w)->body;
  height = reinterpret_cast<const LV2_Atom_Int*>(h)->body;
  scale = reinterpret_cast<const LV2_Atom_Float*>(s)->body;
  return width >= 0 && height >= 0 && std::isfinite(scale);
}

bool ForgeEditorSizeMessage(const IPlugLV2_URIs& uris, LV2_Atom_Forge& forge, int32_t width, int32_t height,
                            float scale)
{
  LV2_Atom_Forge_Frame frame;
  if (!lv2_atom_forge_object(&forge, &frame, 0, uris.editorSize))
    return false;
  const bool written = lv2_atom_forge_key(&forge, uris.width) && lv2_atom_forge_int(&forge, width) &&
                       lv2_atom_forge_key(&forge, uris.height) && lv2_atom_forge_int(&forge, height) &&
                       lv2_atom_forge_key(&forge, uris.scale) && lv2_atom_forge_float(&forge, scale);
  lv2_atom_forge_pop(&forge, &frame);
  return written;
}

bool ForgeEditorSizeRequest(const IPlugLV2_URIs& uris, LV2_Atom_Forge& forge)
{
  LV2_Atom_Forge_Frame frame;
  if (!lv2_atom_forge_object(&forge, &frame, 0, uris.editorSizeGet))
    return false;
  lv2_atom_forge_pop(&forge, &frame);
  return true;
}

} // namespace iplug
