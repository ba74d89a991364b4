#include "tools/EditorHost.h"

bool EditorRectSize(AEffect* effect, int* width, int* height)
{
  ERect* rect = nullptr;
  if (!effect || !effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.0f) || !rect) return false;
  *width = rect->right - rect->left;
  *height = rect->bottom - rect->top;
  return *width > 0 && *height > 0 && *width <= kMaxEditorSide && *height <= kMaxEditorSide;
}
