#pragma once
// What the plug-in core needs from an editor. The editor framework's IGraphics
// implements it; the core and the effect link without any editor code.

// An attached editor as the core sees it. The core owns the attached editor
// and destroys it through the virtual destructor when the instance goes.
class IEditorLink
{
public:
  virtual ~IEditorLink() = default;

  // Delivers a parameter value to the controls bound to paramIndex. UI or
  // audio thread, with the instance lock held.
  virtual void PushParamToControls(int paramIndex, double value, bool isNormalized) = 0;
  // (Re)creates the drawing surface. Instance lock held.
  virtual void CreateBackBuffer() = 0;
  // Creates the native window inside parent; returns it, or null when this
  // platform or the window system cannot give one. UI thread, instance lock
  // held.
  virtual void* OpenEditor(void* parent) = 0;
  virtual void CloseEditor() = 0;
  // Opening and closing in steps, so that the audio thread, which waits on
  // the same instance lock, never waits for the window system: an adapter
  // calls PrepareOpen(parent) just before it takes the lock for
  // OpenEditor(parent), and FinishClose() just after it releases the lock
  // that it held for OpenEditor or CloseEditor. A window layer does there
  // what waits on the window system (connecting, round trips): OpenEditor
  // then takes over the window prepared for the same parent (and does it
  // all itself when none was prepared), and CloseEditor only lets the
  // window go; what was let go stays on screen until the next FinishClose,
  // PrepareOpen or the destructor. Layers that do everything under the
  // lock leave both empty. UI thread, without the instance lock.
  virtual void PrepareOpen(void*) {}
  virtual void FinishClose() {}
  // For hosts that give no window to open the editor in: the same two steps
  // as PrepareOpen and OpenEditor, with the editor in a top-level window of
  // its own titled title, of the editor's fixed size, shown at once.
  // CloseEditor and FinishClose close it like any other. OpenOwnWindow
  // returns the window, or null when this platform or the window system
  // cannot give one. Threads and locks as for PrepareOpen and OpenEditor.
  virtual void PrepareOpenOwn(const char*) {}
  virtual void* OpenOwnWindow(const char*) { return nullptr; }
  // True once the user closed the editor's own window (the window manager's
  // close button): the window is off screen and waits for the adapter to
  // close it. UI thread.
  virtual bool OwnWindowClosed() const { return false; }
  // The host's idle call for an open editor, where the window layer has no
  // timer of its own. UI thread, without the instance lock.
  virtual void IdleEditor() {}
  // For hosts that run an open editor from their own run loop instead of
  // idle calls: a file descriptor that becomes readable when the window
  // system has events for the editor (-1: none), and the period in
  // milliseconds at which IdleEditor gives the redraw tick its due (0: no
  // tick). UI thread.
  virtual int EventDescriptor() const { return -1; }
  virtual int IdlePeriodMilliseconds() const { return 0; }
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Number of controls, and the lock-free hand-over of an indicator value to
  // one control (audio thread, instance lock held, no editor lock).
  virtual int ControlCount() const = 0;
  virtual void TakePlugValueAt(int controlIndex, double value) = 0;
  // A run of values for one control, oldest first: the same as
  // TakePlugValueAt with each in turn, in one call. Same thread and lock.
  virtual void TakePlugValuesAt(int controlIndex, const double* values, int count)
  {
    for (int i = 0; i < count; ++i) TakePlugValueAt(controlIndex, values[i]);
  }
};
