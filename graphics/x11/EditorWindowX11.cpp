// The editor window layer linked into Linux modules.
#include <new>

#include "graphics/EditorWindow.h"
#include "graphics/x11/GraphicsX11.h"

IGraphics* MakeEditorWindow(IPlugBase* plug, int width, int height, int frameRate)
{
  return new (std::nothrow) IGraphicsX11(plug, width, height, frameRate);
}
