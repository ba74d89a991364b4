#include "graphics/Graphics.h"

#include <cmath>
#include <new>

#include "core/PlugBase.h"
#include "graphics/EditorCaches.h"
#include "graphics/ImageLookup.h"
#include "raster/Bitmap.h"
#include "raster/Blit.h"
#include "raster/Font.h"

namespace {

// Row alignment of the spare bitmap, in pixels minus one.
constexpr int kSpareRowAlignMask = 3;
// Text flag: the colour's alpha weights the text.
constexpr unsigned kTextAlphaWeighted = 0x40000000u;
constexpr int kOpaque = 255;
constexpr int kMillisecondsPerSecond = 1000;
// The tick of an editor that asks for no positive frame rate: the usual one,
// 25 a second.
constexpr int kDefaultTickMilliseconds = 40;

BlendMode ModeFor(const IBlendSpec* blend)
{
  if (!blend) return SourceAlphaFlag;
  switch (blend->kind) {
    case kBlendCopy: return 0;
    case kBlendAdd: return SourceAlphaFlag | 1;
    case kBlendDodge: return SourceAlphaFlag | 2;
    default: return SourceAlphaFlag;
  }
}

}  // namespace

IGraphics::IGraphics(IPlugBase* plug, int width, int height, int frameRate)
  : mPlug(plug), mWidth(width), mHeight(height), mFrameRate(frameRate)
{
}

IGraphics::~IGraphics()
{
  delete mKeyCatcher;
  mKeyCatcher = nullptr;
  DestroyControls();
  DestroySurface();
}

bool IGraphics::Present(const IArea&) { return true; }

bool IGraphics::MeasureText(ITextStyle* style, const char* text, IArea* area)
{
  if (!text || !*text) return true;
  if (!style || !area) return false;
  if (!style->font) style->font = CachedFontFor(*style);
  LICE_CachedFont* font = style->font;
  if (!font) return false;

  font->SetForegroundColor(style->colour.Pixel());
  unsigned flags = kTextNoClip | kTextCalcRect;
  if (style->colour.alpha != kOpaque) flags |= kTextAlphaWeighted;
  if (style->alignment == kAlignCenter) flags |= kTextCenter;
  if (style->alignment == kAlignRight) flags |= kTextRight;
  LICE_Rect r = {0, 0, 0, 0};
  font->RenderText(mSurface, text, -1, &r, flags);
  const int w = r.right, h = r.bottom;

  switch (style->alignment) {
    case kAlignLeft: area->right = area->left + w; break;
    case kAlignCenter:
      area->left = static_cast<int>(static_cast<float>(area->left + area->right) * 0.5f) - w / 2;
      area->right = area->left + w;
      break;
    case kAlignRight: area->left = area->right - w; break;
    default: break;
  }
  area->bottom = area->top + h;
  return true;
}

void IGraphics::CancelTextEntry() {}

void IGraphics::SetEditorSize(int width, int height)
{
  mWidth = width;
  mHeight = height;
  ReleasePointer();
  mHover = -1;
  if (mPlug) {
    // The audio thread reaches the controls with the instance lock held.
    ILockGuard g(mPlug->Lock());
    DestroyControls();
  } else {
    DestroyControls();
  }
  DestroySurface();
  CreateBackBuffer();
  if (mPlug) mPlug->EditorResized(width, height);
}

bool IGraphics::IsOpen() { return NativeWindow() != nullptr; }

const char* IGraphics::BackendName() { return ""; }

int IGraphics::ShowMessage(const char*, const char*, int) { return 0; }

int IGraphics::IdlePeriodMilliseconds() const { return TickMilliseconds(); }

PopupMenuSpec* IGraphics::RunPopupMenu(PopupMenuSpec*, const IArea&) { return nullptr; }

void IGraphics::BeginTextEntry(IControl*, const ITextStyle&, const IArea&, const char*, IParameter*) {}

void IGraphics::HostFolder(IGrowString* out)
{
  if (out) out->Set("");
}

void IGraphics::PluginFolder(IGrowString* out)
{
  if (out) out->Set("");
}

void IGraphics::DesktopFolder(IGrowString* out)
{
  if (out) out->Set("");
}

void IGraphics::AppDataFolder(IGrowString* out, bool)
{
  if (out) out->Set("");
}

void IGraphics::UserAppDataFolder(IGrowString* out) { AppDataFolder(out, false); }

void IGraphics::ChooseFile(IGrowString* outName, int, IGrowString*, const char*)
{
  if (outName) outName->Set("");
}

bool IGraphics::ChooseColour(IRgba*, const char*) { return false; }

bool IGraphics::OpenWebPage(const char*, const char*, const char*, const char*) { return false; }

void* IGraphics::OpenEditor(void*) { return nullptr; }

void IGraphics::CloseEditor() {}

void* IGraphics::NativeWindow() { return nullptr; }

bool IGraphics::ReadClipboardText(IGrowString* out)
{
  if (out) out->Set("");
  return false;
}

void IGraphics::HideCursor() {}

void IGraphics::RestoreCursor() {}

LICE_IBitmap* IGraphics::LoadImageResource(int resourceId, const char* name)
{
  return LoadEmbeddedPng(nullptr, resourceId, name);
}

void IGraphics::PushParamToControls(int paramIndex, double value, bool isNormalized)
{
  double normalized = value;
  if (!isNormalized) {
    const IParameter* p = mPlug ? mPlug->ParameterAt(paramIndex) : nullptr;
    if (!p) return;
    normalized = NormalizedValue(*p, value);
  }
  for (int i = 0; i < mControls.Count(); ++i) {
    IControl* c = mControls.Get(i);
    if (c->ParamIndex() == paramIndex) c->TakePlugValue(normalized);
    for (int b = 0; b < c->AuxBindingCount(); ++b) {
      if (c->AuxBindingAt(b)->paramIndex == paramIndex) {
        c->TakePlugAuxValue(b, normalized);
        break;
      }
    }
  }
}

void IGraphics::CreateBackBuffer()
{
  DestroySurface();
  mSurface = new (std::nothrow) LICE_SysBitmap(mWidth, mHeight);
  mSpare = new (std::nothrow) LICE_MemBitmap(0, 0, kSpareRowAlignMask);
}

void IGraphics::TakePlugValueAt(int controlIndex, double value)
{
  if (IControl* c = mControls.Get(controlIndex)) c->TakePlugValue(value);
}

void IGraphics::TakePlugValuesAt(int controlIndex, const double* values, int count)
{
  if (IControl* c = mControls.Get(controlIndex)) c->TakePlugValueRun(values, count);
}

int IGraphics::AttachControl(IControl* control)
{
  if (!control) return -1;
  if (!mControls.Add(control)) {
    delete control;
    return -1;
  }
  control->SetEditor(this);
  return mControls.Count() - 1;
}

int IGraphics::AttachBackground(IControl* control)
{
  if (!control) return -1;
  if (!mControls.Insert(control)) {
    delete control;
    return -1;
  }
  control->SetEditor(this);
  return 0;
}

void IGraphics::SetKeyCatcher(IControl* control)
{
  delete mKeyCatcher;
  mKeyCatcher = control;
  if (control) control->SetEditor(this);
}

bool IGraphics::TickDirtyArea(IArea* area)
{
  IArea united;
  bool any = false;
  for (int i = 0; i < mControls.Count(); ++i) {
    IControl* c = mControls.Get(i);
    if (!c->NeedsRedraw()) continue;
    any = true;
    united.WidenBy(c->DrawArea());
  }
  if (area) *area = united;
  return any;
}

bool IGraphics::RedrawDirty()
{
  IArea area;
  if (!TickDirtyArea(&area)) return false;
  return RedrawArea(area);
}

void IGraphics::MarkAllDirty()
{
  for (int i = 0; i < mControls.Count(); ++i) mControls.Get(i)->MarkDirty(false);
}

bool IGraphics::RedrawArea(const IArea& area)
{
  if (mControls.Count() == 0) return true;
  mDrawClip = area;
  for (int i = 0; i < mControls.Count(); ++i) {
    IControl* c = mControls.Get(i);
    if (!c->IsHidden() && area.Overlaps(c->DrawArea())) c->Render(this);
    c->MarkClean();
  }
  Present(area);
  return true;
}

IBitmapRef IGraphics::LoadBitmapResource(int resourceId, const char* name, int frames)
{
  LICE_IBitmap* bitmap = FindCachedBitmap(resourceId);
  if (!bitmap) bitmap = AddCachedBitmap(resourceId, LoadImageResource(resourceId, name));
  IBitmapRef ref;
  ref.bitmap = bitmap;
  ref.width = bitmap ? bitmap->Width() : 0;
  ref.height = bitmap ? bitmap->Height() : 0;
  ref.frames = frames;
  ref.framesHorizontal = false;
  return ref;
}

bool IGraphics::BlitFrame(const IBitmapRef& ref, const IArea& dest, int srcX, int srcY, const IBlendSpec* blend)
{
  if (!ref.bitmap || !mSurface) return true;
  const IArea clip = dest.Intersect(mDrawClip);
  if (clip.IsEmpty()) return true;
  const LICE_Rect src = {srcX + clip.left - dest.left, srcY + clip.top - dest.top, srcX + clip.right - dest.left,
                         srcY + clip.bottom - dest.top};
  const float weight = blend ? blend->weight : 1.0f;
  BlitBitmap(mSurface, ref.bitmap, clip.left, clip.top, &src, weight, ModeFor(blend));
  return true;
}

LICE_IBitmap* IGraphics::Surface() const { return mSurface; }

void IGraphics::ReleasePointer()
{
  mCaptured = -1;
  mLastX = -1;
  mLastY = -1;
}

void IGraphics::EndCapturedGesture()
{
  if (mCaptured >= 0) RouteMouseUp(mLastX, mLastY, IMouseMods{});
}

int IGraphics::TickMilliseconds() const
{
  if (mFrameRate <= 0) return kDefaultTickMilliseconds;
  const int period = kMillisecondsPerSecond / mFrameRate;
  return period > 0 ? period : 1;
}

void IGraphics::ResizeWithFrames(int width, int height)
{
  if (width == mWidth && height == mHeight) return;
  const int dw = width - mWidth, dh = height - mHeight;
  BeforeResize();
  IGraphics::SetEditorSize(width, height);
  if (IsOpen()) GrowFrames(dw, dh);
}

void IGraphics::DestroySurface()
{
  delete mSurface;
  mSurface = nullptr;
  delete mSpare;
  mSpare = nullptr;
}

void IGraphics::DestroyControls() { mControls.DeleteAll(); }

double NormalizedValue(const IParameter& p, double value)
{
  const double limited = p.Min() > value ? p.Min() : (p.Max() < value ? p.Max() : value);
  return std::pow((limited - p.Min()) / (p.Max() - p.Min()), 1.0 / p.Shape());
}
