#pragma once
// The menu a prompt or a context menu shows: item texts with check marks, and the choice made.
// UI thread.

#include <string>
#include <vector>

namespace iplug::igraphics {

class IPopupMenu
{
public:
  struct Item
  {
    std::string mText;
    bool mChecked = false;
  };

  void AddItem(const char* text, bool checked = false);
  void Clear();
  int NItems() const { return static_cast<int>(mItems.size()); }
  // null out of range
  const Item* GetItem(int index) const;

  // -1 until a choice is made
  int GetChosenItemIdx() const { return mChosenIdx; }
  void SetChosenItemIdx(int index) { mChosenIdx = index; }

private:
  std::vector<Item> mItems;
  int mChosenIdx = -1;
};

} // namespace iplug::igraphics
