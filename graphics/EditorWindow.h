#pragma once
// Creates the editor window layer of this platform: an IGraphics whose window
// operations open a native child window inside the host's parent. The caller
// owns the result (the core, once attached) and destroys it through the
// virtual destructor. UI thread.

class IGraphics;
class IPlugBase;

IGraphics* MakeEditorWindow(IPlugBase* plug, int width, int height, int frameRate);
