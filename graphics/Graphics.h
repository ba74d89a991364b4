#pragma once
// The editor's platform-neutral core: the control list and its parameter
// links, the drawing surface and what gets redrawn when, input routing, and
// the process-wide bitmap and font caches. Window layers derive from it and
// give the window operations; without one, everything here runs by calling
// the routing and drawing operations directly.

#include "base/GrowBuffer.h"
#include "core/EditorLink.h"
#include "graphics/Control.h"
#include "graphics/EditorTypes.h"
#include "graphics/PopupMenu.h"

class IParameter;
class IPlugBase;
class LICE_IBitmap;
class LICE_MemBitmap;
class LICE_SysBitmap;

// One editor per plug-in instance. Constructed by the effect's layout, handed
// to the core with AttachEditor; the core owns it and destroys it through the
// virtual destructor. Owns its controls, its key catcher and its surface;
// bitmaps and fonts belong to the process-wide caches.
//
// Threads: the window thread (the host's UI thread) runs routing, drawing,
// the redraw tick and opening and closing. PushParamToControls also runs on
// whatever thread the host sets parameters from, with the instance lock held;
// TakePlugValueAt runs on the audio thread, instance lock held, no editor
// lock. The control list is built before attachment and not changed while
// those threads run (SetEditorSize empties it: window thread, no audio).
class IGraphics : public IEditorLink
{
public:
  IGraphics(IPlugBase* plug, int width, int height, int frameRate);

  // Virtual operations, in slot order. The window operations do nothing (or
  // answer none, false, "") here; window layers give them.
  //
  // Copies area of the surface to the screen. Window thread.
  virtual bool Present(const IArea& area);                                  // 0
  // Sets area to the size text takes in style, aligned as the style says;
  // links the style to its cached font. False when no font can be made.
  virtual bool MeasureText(ITextStyle* style, const char* text, IArea* area);  // 1
  virtual void CancelTextEntry();                                           // 2
  // Empties the control list, rebuilds the surface, tells the core. Window
  // layers keep this and grow their window with it (ResizeWithFrames).
  virtual void SetEditorSize(int width, int height);                        // 3
  virtual bool IsOpen();                                                    // 4
  virtual const char* BackendName();                                        // 5
  virtual int ShowMessage(const char* text, const char* caption, int type); // 6
  // The (sub)menu whose item was chosen, with its chosen index set, or null.
  virtual PopupMenuSpec* RunPopupMenu(PopupMenuSpec* menu, const IArea& area);  // 7
  // Starts typing a value for control; the result arrives later through the
  // control's TakeUserValue or TakeUserText.
  virtual void BeginTextEntry(IControl* control, const ITextStyle& style, const IArea& area,
                              const char* initialText, IParameter* param);  // 8
  virtual void HostFolder(IGrowString* out);                                // 9
  virtual void PluginFolder(IGrowString* out);                              // 10
  virtual void DesktopFolder(IGrowString* out);                             // 11
  virtual void AppDataFolder(IGrowString* out, bool shared);                // 12
  virtual void UserAppDataFolder(IGrowString* out);                         // 13
  // action 1: save, otherwise open.
  virtual void ChooseFile(IGrowString* outName, int action, IGrowString* folder, const char* extensions);  // 14
  virtual bool ChooseColour(IRgba* colour, const char* prompt);             // 15
  virtual bool OpenWebPage(const char* url, const char* title, const char* confirmText,
                           const char* errorText);                         // 16
  void* OpenEditor(void* parentWindow) override;                            // 18
  void CloseEditor() override;                                              // 21
  virtual void* NativeWindow();                                             // 22
  virtual bool ReadClipboardText(IGrowString* out);                         // 23
  ~IGraphics() override;                                                    // 24
  virtual void HideCursor();                                                // 25
  virtual void RestoreCursor();                                             // 26
  // Decodes the image resourceId (name: only its extension is checked, it
  // must be "png" in any letter case). A new bitmap the caller owns, or
  // null. Here: the library's embedded images (LoadEmbeddedPng with no
  // module); window layers may look elsewhere.
  virtual LICE_IBitmap* LoadImageResource(int resourceId, const char* name);  // 28

  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // IEditorLink. PushParamToControls: any thread, instance lock held.
  void PushParamToControls(int paramIndex, double value, bool isNormalized) override;
  // (Re)creates the surface and the spare bitmap at the editor's size.
  void CreateBackBuffer() override;
  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  int ControlCount() const override { return mControls.Count(); }
  // One tick period (TickMilliseconds).
  int IdlePeriodMilliseconds() const override;
  // Audio thread, instance lock held, no editor lock.
  void TakePlugValueAt(int controlIndex, double value) override;
  void TakePlugValuesAt(int controlIndex, const double* values, int count) override;

  // Building the control list (before AttachEditor; window thread). The
  // editor takes ownership; the result is the control's list index, or -1
  // when the list cannot grow (the control is destroyed then). A null
  // control gives -1.
  int AttachControl(IControl* control);
  // Puts control at the front of the list (the background), same ownership.
  int AttachBackground(IControl* control);
  IControl* ControlAt(int index) const { return mControls.Get(index); }
  // Receives keys no control under the pointer takes; owned, replaces (and
  // destroys) any previous one.
  void SetKeyCatcher(IControl* control);
  IControl* KeyCatcher() const { return mKeyCatcher; }

  // The redraw tick, run frame-rate times per second by the window layer:
  // sets *area to the union of the draw areas of every control that needs
  // redrawing (list order; an empty area adds nothing) and returns whether
  // any did. The window layer then has that area repainted (RedrawArea).
  bool TickDirtyArea(IArea* area);
  // The tick for window layers that paint at once: RedrawArea of the union.
  // True when something was drawn.
  bool RedrawDirty();
  // Marks every control dirty, so the next tick repaints everything (a
  // window that has just opened). Window thread.
  void MarkAllDirty();
  // Draws every visible control that overlaps area (background first),
  // marks every control clean, then presents area. Nothing without controls.
  bool RedrawArea(const IArea& area);

  // A film strip by resource id: from the bitmap cache, or decoded through
  // LoadImageResource and cached. Without an image the strip has no bitmap
  // and a size of 0 x 0. Window thread.
  IBitmapRef LoadBitmapResource(int resourceId, const char* name, int frames);
  // Blits the part of ref at (srcX, srcY) that lands in dest, clipped to the
  // draw clip. Nothing is read from a strip without a bitmap. Always true.
  bool BlitFrame(const IBitmapRef& ref, const IArea& dest, int srcX, int srcY, const IBlendSpec* blend);

  // Input routing: window thread, editor-relative pixels.
  // List index of the control owning the pointer: the captured one, else the
  // topmost visible, enabled (or, for hover, hover-while-disabled) control
  // under (x, y); -1 when none.
  int FindControlAt(int x, int y, bool forHover);
  void RouteMouseDown(int x, int y, const IMouseMods& mods);
  void RouteMouseUp(int x, int y, const IMouseMods& mods);
  void RouteMouseDrag(int x, int y, const IMouseMods& mods);
  // True when the double click was delivered as a press (the window layer
  // takes pointer capture then).
  bool RouteDoubleClick(int x, int y, const IMouseMods& mods);
  void RouteWheel(int x, int y, const IMouseMods& mods, int notches);
  // True when a control (or the key catcher) took the key.
  bool RouteKeyDown(int x, int y, EditorKey key);
  void RouteHover(int x, int y, const IMouseMods& mods);
  void RouteLeave();
  // Asks the user for param's value: a menu of its display texts, or a text
  // entry over area.
  void PromptParamValue(IControl* control, IParameter* param, const IArea& area);

  // Ends a gesture still in progress as a release where the pointer was
  // last seen: the captured control hears it and the host hears the end of
  // the edit it heard begin. For window layers whose window goes, or loses
  // the pointer, in the middle of a drag. Nothing without a captured
  // control. Window thread.
  void EndCapturedGesture();
  // The period of the redraw tick: 1000 / frame rate milliseconds
  // (truncated, at least 1); 40 when the frame rate is not positive.
  int TickMilliseconds() const;

  IPlugBase* Plug() const { return mPlug; }
  // The surface every control draws into; null before CreateBackBuffer.
  LICE_IBitmap* Surface() const;
  const IArea& DrawClip() const { return mDrawClip; }
  int FrameRate() const { return mFrameRate; }
  int CapturedIndex() const { return mCaptured; }
  int HoverIndex() const { return mHover; }
  int LastX() const { return mLastX; }
  int LastY() const { return mLastY; }
  bool HoverTracking() const { return mHoverTracking; }
  void SetHoverTracking(bool on) { mHoverTracking = on; }
  bool TooltipsEnabled() const { return mTooltips; }
  void SetTooltipsEnabled(bool on) { mTooltips = on; }

protected:
  // Cursor state for HideCursor and RestoreCursor in window layers.
  bool mCursorHidden = false;
  int mSavedCursorX = -1;
  int mSavedCursorY = -1;
  // Forgets the pointer: no capture, no last position.
  void ReleasePointer();
  // The window layers' SetEditorSize: nothing at the current size;
  // otherwise BeforeResize, this class's SetEditorSize and, while the window
  // is open, GrowFrames with the change in width and height. Window thread.
  void ResizeWithFrames(int width, int height);
  // Drops what refers to the controls about to go with a new size.
  virtual void BeforeResize() {}
  // Resizes the open window, and the host's windows it sits in, by dw and dh.
  virtual void GrowFrames(int, int) {}

private:
  void DestroySurface();
  void DestroyControls();

  IPtrList<IControl> mControls;
  IPlugBase* mPlug;
  IArea mDrawClip;
  LICE_SysBitmap* mSurface = nullptr;
  LICE_MemBitmap* mSpare = nullptr;
  int mWidth;
  int mHeight;
  int mFrameRate;
  int mCaptured = -1;
  int mHover = -1;
  int mLastX = 0;
  int mLastY = 0;
  bool mHoverTracking = false;
  bool mTooltips = false;
  IControl* mKeyCatcher = nullptr;
};

// A plain value of p as the controls see it: limited to p's range, then
// mapped through its shape (the parameter's own normalized mapping).
double NormalizedValue(const IParameter& p, double value);
