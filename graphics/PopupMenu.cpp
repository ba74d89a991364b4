#include "graphics/PopupMenu.h"

#include <new>

PopupMenuItem::~PopupMenuItem() { delete submenu; }

PopupMenuItem* PopupMenuSpec::AddItem(const char* text, int flags)
{
  PopupMenuItem* item = new (std::nothrow) PopupMenuItem;
  if (!item) return nullptr;
  item->text.Set(text);
  item->flags = flags;
  if (!mItems.Add(item)) {
    delete item;
    return nullptr;
  }
  return item;
}

PopupMenuItem* PopupMenuSpec::AddSubmenu(const char* text, PopupMenuSpec* submenu)
{
  PopupMenuItem* item = AddItem(text);
  if (!item) {
    delete submenu;
    return nullptr;
  }
  item->submenu = submenu;
  return item;
}
