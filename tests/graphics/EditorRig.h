#pragma once
// An effect instance with an editor of the tests' own, whose host records
// every call, and film strips made in memory.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "graphics/BitmapControls.h"
#include "graphics/Graphics.h"
#include "plugin/Vexa.h"
#include "raster/Bitmap.h"
#include "tools/HostedPlugin.h"

namespace rig {

// The colour of frame k of a made strip: opaque and different for each k.
inline PixelValue FrameColour(int k)
{
  return 0xFF000000u | (static_cast<PixelValue>((k * 37 + 11) & 0xFF) << 16) |
         (static_cast<PixelValue>((k * 91 + 5) & 0xFF) << 8) | static_cast<PixelValue>((k * 53 + 200) & 0xFF);
}

// A strip of frames frames of w x h pixels, frame k filled with FrameColour(k)
// (alpha replaced by alpha), stacked or side by side.
inline std::unique_ptr<LICE_MemBitmap> MakeStrip(int w, int h, int frames, bool horizontal = false,
                                                 unsigned alpha = 255)
{
  const int sw = horizontal ? w * frames : w;
  const int sh = horizontal ? h : h * frames;
  std::unique_ptr<LICE_MemBitmap> b(new LICE_MemBitmap(sw, sh));
  for (int y = 0; y < sh; ++y) {
    for (int x = 0; x < sw; ++x) {
      const int k = horizontal ? x / w : y / h;
      b->Pixels()[y * b->Stride() + x] = (FrameColour(k) & 0x00FFFFFFu) | (alpha << 24);
    }
  }
  return b;
}

inline IBitmapRef RefOf(LICE_IBitmap* b, int frames, bool horizontal = false)
{
  IBitmapRef r;
  r.bitmap = b;
  r.width = b ? b->Width() : 0;
  r.height = b ? b->Height() : 0;
  r.frames = frames;
  r.framesHorizontal = horizontal;
  return r;
}

// An editor without a window: records what it presents and prompts, answers
// menus with a scripted choice.
class TestEditor : public IGraphics
{
public:
  using IGraphics::IGraphics;

  bool Present(const IArea& area) override
  {
    presented.push_back(area);
    return true;
  }
  PopupMenuSpec* RunPopupMenu(PopupMenuSpec* menu, const IArea& area) override
  {
    menuArea = area;
    menuTexts.clear();
    menuChecked.clear();
    for (int i = 0; i < menu->Count(); ++i) {
      menuTexts.push_back(menu->Item(i)->text.Get());
      menuChecked.push_back((menu->Item(i)->flags & kItemChecked) != 0);
    }
    if (menuChoice < 0) return nullptr;
    menu->SetChosenIndex(menuChoice);
    return menu;
  }
  void BeginTextEntry(IControl* control, const ITextStyle&, const IArea& area, const char* text,
                      IParameter* param) override
  {
    entryControl = control;
    entryArea = area;
    entryText = text;
    entryParam = param;
  }

  std::vector<IArea> presented;
  int menuChoice = -1;
  IArea menuArea;
  std::vector<std::string> menuTexts;
  std::vector<bool> menuChecked;
  IControl* entryControl = nullptr;
  IArea entryArea;
  std::string entryText;
  IParameter* entryParam = nullptr;
};

// A Vexa instance whose host records its calls, with a TestEditor that is
// attached once the test has added its controls.
struct EditorRig
{
  EditorRig() : plug(new Vexa(HostedPlugin::HostCallback)), editor(new TestEditor(plug, 764, 222, 25)) {}
  ~EditorRig()
  {
    if (!attached) delete editor;
    delete plug;
  }
  EditorRig(const EditorRig&) = delete;
  EditorRig& operator=(const EditorRig&) = delete;

  void Attach()
  {
    plug->AttachEditor(editor);
    attached = true;
  }
  int Add(IControl* c) { return editor->AttachControl(c); }

  // The begin-edit, automate and end-edit calls the host saw, in order, as
  // (opcode, parameter index) pairs; Forget() drops what was seen so far.
  std::vector<std::pair<VstInt32, VstInt32>> EditCalls() const
  {
    std::vector<std::pair<VstInt32, VstInt32>> out;
    for (const HostCall& c : host.calls) {
      if (c.opcode == audioMasterBeginEdit || c.opcode == audioMasterAutomate || c.opcode == audioMasterEndEdit) {
        out.emplace_back(c.opcode, c.index);
      }
    }
    return out;
  }
  std::vector<float> AutomatedValues() const
  {
    std::vector<float> out;
    for (const HostCall& c : host.calls) {
      if (c.opcode == audioMasterAutomate) out.push_back(c.opt);
    }
    return out;
  }
  void Forget() { host.calls.clear(); }

  PixelValue Pixel(int x, int y) const
  {
    LICE_IBitmap* s = editor->Surface();
    return s->Pixels()[y * s->Stride() + x];
  }

  HostedPlugin host;
  Vexa* plug;
  TestEditor* editor;  // owned by plug once attached
  bool attached = false;
};

}  // namespace rig
