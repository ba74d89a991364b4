#include "graphics/win/NativeMenuWin.h"

#include "graphics/PopupMenu.h"
#include "graphics/win/ServiceRules.h"

namespace {

UINT NativeFlags(int flags)
{
  UINT native = MF_STRING;
  if (flags & kItemGreyed) native |= MF_GRAYED;
  if (flags & kItemDisabled) native |= MF_DISABLED;
  if (flags & kItemChecked) native |= MF_CHECKED;
  return native;
}

PopupMenuSpec* FindOwner(PopupMenuSpec* menu, int id, int* nextId)
{
  const int base = *nextId;
  *nextId += menu->Count();
  if (id >= base && id < base + menu->Count()) {
    menu->SetChosenIndex(id - base);
    return menu;
  }
  for (int i = 0; i < menu->Count(); ++i) {
    const PopupMenuItem* item = menu->Item(i);
    if ((item->flags & kItemSeparator) || !item->submenu) continue;
    if (PopupMenuSpec* owner = FindOwner(item->submenu, id, nextId)) return owner;
  }
  return nullptr;
}

}  // namespace

HMENU BuildNativeMenu(PopupMenuSpec* menu, int* nextId)
{
  if (!menu || !nextId) return nullptr;
  // The block is taken before anything can fail, so the numbering stays the
  // one ResolveMenuChoice walks.
  const int base = *nextId;
  *nextId += menu->Count();
  HMENU native = CreatePopupMenu();
  if (!native) return nullptr;
  IGrowString label;
  for (int i = 0; i < menu->Count(); ++i) {
    const PopupMenuItem* item = menu->Item(i);
    if (item->flags & kItemSeparator) {
      AppendMenuA(native, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    MenuItemLabel(*menu, i, &label);
    if (item->submenu) {
      HMENU sub = BuildNativeMenu(item->submenu, nextId);
      if (sub && !AppendMenuA(native, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), label.Get())) {
        DestroyMenu(sub);
      }
      continue;
    }
    AppendMenuA(native, NativeFlags(item->flags), static_cast<UINT_PTR>(base + i), label.Get());
  }
  return native;
}

PopupMenuSpec* ResolveMenuChoice(PopupMenuSpec* menu, int id)
{
  if (!menu || id < 0) return nullptr;
  int nextId = 0;
  return FindOwner(menu, id, &nextId);
}
