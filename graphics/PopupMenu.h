#pragma once
// Popup menus as the editor describes them to the window layer, which shows
// them natively and reports the choice.

#include "base/GrowBuffer.h"

enum PopupNumbering : int
{
  kNumberingPlain = 0,
  kNumberingOneDigit = 1,    // "%1d: %s"
  kNumberingTwoDigits = 2,   // "%02d: %s"
  kNumberingThreeDigits = 3, // "%03d: %s"
};

enum PopupItemFlags : int
{
  kItemGreyed = 1,
  kItemDisabled = 2,
  kItemChecked = 4,
  kItemSeparator = 8,
};

class PopupMenuSpec;

// One menu entry. Owns its submenu, if any.
struct PopupMenuItem
{
  PopupMenuItem() = default;
  ~PopupMenuItem();
  PopupMenuItem(const PopupMenuItem&) = delete;
  PopupMenuItem& operator=(const PopupMenuItem&) = delete;

  IGrowString text;
  PopupMenuSpec* submenu = nullptr;
  int flags = 0;
};

// A menu: its items in display order (owned, destroyed with the menu) and,
// after a choice, the chosen item's position. Built and destroyed by whoever
// asks for the menu; used on the editor's window thread only.
class PopupMenuSpec
{
public:
  explicit PopupMenuSpec(int numbering = kNumberingPlain) : mNumbering(numbering) {}

  // Appends an item with text and flags; null when the list cannot grow.
  PopupMenuItem* AddItem(const char* text, int flags = 0);
  // Appends an item opening submenu, which the item then owns (also when
  // the item cannot be added: the submenu is destroyed then).
  PopupMenuItem* AddSubmenu(const char* text, PopupMenuSpec* submenu);

  int Count() const { return mItems.Count(); }
  PopupMenuItem* Item(int i) const { return mItems.Get(i); }
  int Numbering() const { return mNumbering; }
  int ChosenIndex() const { return mChosen; }
  void SetChosenIndex(int index) { mChosen = index; }

private:
  int mNumbering;
  int mChosen = -1;
  IPtrList<PopupMenuItem> mItems;
};
