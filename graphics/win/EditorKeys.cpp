#include "graphics/win/EditorKeys.h"

#include <windows.h>

bool EditorKeyFor(unsigned vk, EditorKey* key)
{
  int code;
  switch (vk) {
    case VK_SPACE: code = kKeySpace; break;
    case VK_UP: code = kKeyUp; break;
    case VK_DOWN: code = kKeyDown; break;
    case VK_LEFT: code = kKeyLeft; break;
    case VK_RIGHT: code = kKeyRight; break;
    default:
      if (vk >= '0' && vk <= '9') {
        code = kKeyDigit0 + static_cast<int>(vk - '0');
      } else if (vk >= 'A' && vk <= 'Z') {
        code = kKeyLetterA + static_cast<int>(vk - 'A');
      } else {
        return false;
      }
  }
  if (key) *key = static_cast<EditorKey>(code);
  return true;
}
