// The editor window layer of Windows builds.
#include <new>

#include "graphics/EditorWindow.h"
#include "graphics/win/GraphicsWin.h"

IGraphics* MakeEditorWindow(IPlugBase* plug, int width, int height, int frameRate)
{
  return new (std::nothrow) IGraphicsWin(plug, width, height, frameRate);
}
