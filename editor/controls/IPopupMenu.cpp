#include "editor/controls/IPopupMenu.h"

namespace iplug::igraphics {

void IPopupMenu::AddItem(const char* text, bool checked)
{
  mItems.push_back({text ? text : "", checked});
}

void IPopupMenu::Clear()
{
  mItems.clear();
  mChosenIdx = -1;
}

const IPopupMenu::Item* IPopupMenu::GetItem(int index) const
{
  return index >= 0 && index < NItems() ? &mItems[static_cast<size_t>(index)] : nullptr;
}

} // namespace iplug::igraphics
