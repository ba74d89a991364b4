#pragma once
// An LV2 plug-in's X11 UI embedded in a window of the host tool, or shown
// in a window of its own through its show interface: its binary loaded,
// instantiated, fed port values and driven by idle calls, its writes and
// gestures handed to the host's side.

#include <lv2/ui/ui.h>

#include <cstdint>
#include <memory>
#include <string>

#include "tools/ModuleLoader.h"

struct Lv2Plugin;

// What the UI's calls reach on the host's side. UI thread.
class Lv2UiController
{
public:
  // The user changed an input control port.
  virtual void UiWrite(uint32_t port, float value) = 0;
  // A gesture on the port starts (grabbed) or ends.
  virtual void UiTouch(uint32_t port, bool grabbed) = 0;
  // The UI asks for this size.
  virtual void UiResize(int width, int height) = 0;

protected:
  ~Lv2UiController() = default;
};

// One open UI. Owns the UI instance and its loaded binary: Close (or the
// destructor) cleans the instance up and unloads the binary. Every
// operation: the host's UI thread.
class Lv2Editor
{
public:
  Lv2Editor(Lv2Plugin& plugin, Lv2UiController& controller);
  ~Lv2Editor();
  Lv2Editor(const Lv2Editor&) = delete;
  Lv2Editor& operator=(const Lv2Editor&) = delete;

  // Loads the UI binary and instantiates the UI inside parent (an X window
  // id), offering ui:parent, ui:resize, ui:touch, the idle interface, URID
  // map and unmap and the log; false with error set on failure. With parent
  // null the same without ui:parent, as hosts that cannot embed do.
  bool Open(void* parent, std::string& error);
  // The UI's show interface: true when the UI has one and answered success.
  bool Show();
  bool Hide();
  // Tells the UI a control port's value.
  void PortEvent(uint32_t port, float value);
  // The UI's idle call; false when the UI asks to be closed.
  bool Idle();
  void Close();
  bool IsOpen() const { return mHandle != nullptr; }
  // The UI's window, as the UI returned it.
  void* Widget() const { return mWidget; }

private:
  static void Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer);
  static void Touch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed);
  static int Resize(LV2UI_Feature_Handle handle, int width, int height);
  static uint32_t PortIndex(LV2UI_Feature_Handle handle, const char* symbol);

  Lv2Plugin& mPlugin;
  Lv2UiController& mController;
  std::unique_ptr<ModuleLoader> mBinary;
  const LV2UI_Descriptor* mDescriptor = nullptr;
  LV2UI_Handle mHandle = nullptr;
  LV2UI_Widget mWidget = nullptr;
  const LV2UI_Idle_Interface* mIdle = nullptr;
  const LV2UI_Show_Interface* mShow = nullptr;
  LV2UI_Resize mResize;
  LV2UI_Touch mTouch;
  LV2UI_Port_Map mPortMap;
};
