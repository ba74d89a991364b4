#pragma once
// Popup menus as native menus. Item ids are numbered in blocks: a menu takes
// the next block of as many ids as it has items (its item n gets base + n),
// then its submenus take theirs in the order they are met. The choice is
// found again by walking the same numbering.

#include <windows.h>

class PopupMenuSpec;

// Builds menu (and its submenus) as a native popup menu, numbering from
// *nextId, which is advanced past every id used. The caller destroys the
// result with DestroyMenu. Null when no native menu can be made.
HMENU BuildNativeMenu(PopupMenuSpec* menu, int* nextId);

// The (sub)menu that owns item id under the numbering of a menu built from
// id 0, with its chosen index set to the item's position; null when no item
// has that id.
PopupMenuSpec* ResolveMenuChoice(PopupMenuSpec* menu, int id);
