#include "tools/Lv2Editor.h"

#include <lv2/log/log.h>
#include <lv2/urid/urid.h>

#include "tools/Lv2Plugin.h"

namespace {

typedef const LV2UI_Descriptor* (*UiDescriptorProc)(uint32_t index);

// The float protocol: one float per write.
constexpr uint32_t kFloatProtocol = 0;
// A UI binary listing more descriptors than this is not searched further.
constexpr uint32_t kMaxUiDescriptors = 256;
// What PortIndex answers for an unknown symbol.
constexpr uint32_t kNoPort = LV2UI_INVALID_PORT_INDEX;
constexpr int kMaxUiFeatures = 8;

}  // namespace

Lv2Editor::Lv2Editor(Lv2Plugin& plugin, Lv2UiController& controller) : mPlugin(plugin), mController(controller)
{
  mResize.handle = this;
  mResize.ui_resize = Resize;
  mTouch.handle = this;
  mTouch.touch = Touch;
  mPortMap.handle = this;
  mPortMap.port_index = PortIndex;
}

Lv2Editor::~Lv2Editor() { Close(); }

bool Lv2Editor::Open(void* parent, std::string& error)
{
  Close();
  mBinary.reset(new ModuleLoader);
  if (!mBinary->Load(mPlugin.ui.binaryPath.c_str())) {
    error = mBinary->Error();
    mBinary.reset();
    return false;
  }
  UiDescriptorProc entry = reinterpret_cast<UiDescriptorProc>(mBinary->Symbol("lv2ui_descriptor"));
  for (uint32_t i = 0; entry && i < kMaxUiDescriptors && !mDescriptor; ++i) {
    const LV2UI_Descriptor* d = entry(i);
    if (!d) break;
    if (d->URI && mPlugin.ui.uri == d->URI) mDescriptor = d;
  }
  if (!mDescriptor) {
    error = "the UI binary " + mPlugin.ui.binaryPath + " has no UI " + mPlugin.ui.uri;
    mBinary.reset();
    return false;
  }
  const LV2_Feature parentFeature = {LV2_UI__parent, parent};
  const LV2_Feature resizeFeature = {LV2_UI__resize, &mResize};
  const LV2_Feature touchFeature = {LV2_UI__touch, &mTouch};
  const LV2_Feature idleFeature = {LV2_UI__idleInterface, nullptr};
  const LV2_Feature portMapFeature = {LV2_UI__portMap, &mPortMap};
  const LV2_Feature mapFeature = {LV2_URID__map, mPlugin.urids.MapFeature()};
  const LV2_Feature unmapFeature = {LV2_URID__unmap, mPlugin.urids.UnmapFeature()};
  const LV2_Feature logFeature = {LV2_LOG__log, &mPlugin.log};
  const LV2_Feature* features[kMaxUiFeatures + 1] = {&resizeFeature, &touchFeature, &idleFeature,
                                                     &portMapFeature, &mapFeature,  &unmapFeature,
                                                     &logFeature,     nullptr,      nullptr};
  // ui:parent last, where there is one.
  if (parent) features[kMaxUiFeatures - 1] = &parentFeature;
  mHandle = mDescriptor->instantiate(mDescriptor, mPlugin.uri.c_str(), mPlugin.ui.bundlePath.c_str(), Write, this,
                                     &mWidget, features);
  if (!mHandle) {
    error = "the UI refused to instantiate";
    mDescriptor = nullptr;
    mBinary.reset();
    return false;
  }
  if (mDescriptor->extension_data) {
    mIdle = static_cast<const LV2UI_Idle_Interface*>(mDescriptor->extension_data(LV2_UI__idleInterface));
    mShow = static_cast<const LV2UI_Show_Interface*>(mDescriptor->extension_data(LV2_UI__showInterface));
  }
  return true;
}

bool Lv2Editor::Show() { return mHandle && mShow && mShow->show && mShow->show(mHandle) == 0; }

bool Lv2Editor::Hide() { return mHandle && mShow && mShow->hide && mShow->hide(mHandle) == 0; }

void Lv2Editor::PortEvent(uint32_t port, float value)
{
  if (mHandle && mDescriptor->port_event) mDescriptor->port_event(mHandle, port, sizeof value, kFloatProtocol, &value);
}

bool Lv2Editor::Idle()
{
  if (!mHandle || !mIdle) return true;
  return mIdle->idle(mHandle) == 0;
}

void Lv2Editor::Close()
{
  if (mHandle && mDescriptor->cleanup) mDescriptor->cleanup(mHandle);
  mHandle = nullptr;
  mWidget = nullptr;
  mIdle = nullptr;
  mShow = nullptr;
  mDescriptor = nullptr;
  mBinary.reset();
}

void Lv2Editor::Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t protocol,
                      const void* buffer)
{
  // Only single floats to input control ports; anything else is dropped, as
  // hosts do with writes they cannot deliver.
  Lv2Editor* self = static_cast<Lv2Editor*>(controller);
  if (protocol != kFloatProtocol || size != sizeof(float) || !buffer) return;
  if (port >= self->mPlugin.ports.size() || self->mPlugin.ports[port].kind != Lv2PortKind::kControlIn) return;
  self->mController.UiWrite(port, *static_cast<const float*>(buffer));
}

void Lv2Editor::Touch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed)
{
  Lv2Editor* self = static_cast<Lv2Editor*>(handle);
  if (port < self->mPlugin.ports.size()) self->mController.UiTouch(port, grabbed);
}

int Lv2Editor::Resize(LV2UI_Feature_Handle handle, int width, int height)
{
  if (width <= 0 || height <= 0) return 1;
  static_cast<Lv2Editor*>(handle)->mController.UiResize(width, height);
  return 0;
}

uint32_t Lv2Editor::PortIndex(LV2UI_Feature_Handle handle, const char* symbol)
{
  const Lv2PortInfo* port = static_cast<Lv2Editor*>(handle)->mPlugin.PortBySymbol(symbol);
  return port ? port->index : kNoPort;
}
