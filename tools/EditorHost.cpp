#include "tools/EditorHost.h"

EditorRectAnswer ReadEditorRect(AEffect* effect, int* width, int* height)
{
  ERect* rect = nullptr;
  if (!effect || !effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.0f) || !rect) {
    return EditorRectAnswer::Missing;
  }
  if (rect->left == 0 && rect->top == 0 && rect->right == 0 && rect->bottom == 0) return EditorRectAnswer::Missing;
  const int w = rect->right - rect->left;
  const int h = rect->bottom - rect->top;
  if (w <= 0 || h <= 0 || w > kMaxEditorSide || h > kMaxEditorSide) return EditorRectAnswer::Unusable;
  *width = w;
  *height = h;
  return EditorRectAnswer::Usable;
}

bool EditorRectSize(AEffect* effect, int* width, int* height)
{
  return ReadEditorRect(effect, width, height) == EditorRectAnswer::Usable;
}
