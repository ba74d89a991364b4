#include "vst3/Factory.h"

#include <cstring>
#include <new>

#include "base/GrowBuffer.h"
#include "base/RefCount.h"
#include "core/Parameter.h"
#include "vst3/Component.h"
#include "vst3/Controller.h"
#include "vst3/Text16.h"
#include "vst3/Vst3Module.h"

namespace {

using namespace vst3;

constexpr int32_t kClassCount = 2;
constexpr int32_t kComponentClass = 0;
constexpr const char* kSdkVersion = "VST 3.7";

// Copies text into a fixed field of size bytes, cut and terminated.
template <size_t N>
void Put(char (&field)[N], const char* text)
{
  CopyText(field, text, static_cast<int>(N));
}

void FillInfo(int32_t index, PClassInfo* info)
{
  const Vst3ModuleInfo& m = ModuleInfo();
  *info = PClassInfo{};
  info->cid = index == kComponentClass ? m.componentId : m.controllerId;
  info->cardinality = kManyInstances;
  Put(info->category, index == kComponentClass ? kAudioEffectClass : kControllerClass);
  Put(info->name, m.name);
}

void FillInfo2(int32_t index, PClassInfo2* info)
{
  const Vst3ModuleInfo& m = ModuleInfo();
  PClassInfo base;
  FillInfo(index, &base);
  *info = PClassInfo2{};
  info->cid = base.cid;
  info->cardinality = base.cardinality;
  std::memcpy(info->category, base.category, sizeof info->category);
  std::memcpy(info->name, base.name, sizeof info->name);
  // Not distributable: component and controller share a process.
  info->classFlags = 0;
  Put(info->subCategories, index == kComponentClass ? m.subCategories : "");
  Put(info->vendor, m.vendor);
  Put(info->version, m.version);
  Put(info->sdkVersion, kSdkVersion);
}

// The one factory object. Static: the module never frees it.
class Factory final : public IPluginFactory3
{
public:
  tresult VST3_CALL queryInterface(const char* iid, void** obj) override
  {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (!SameUid(iid, kFUnknownIid) && !SameUid(iid, kIPluginFactoryIid) && !SameUid(iid, kIPluginFactory2Iid) &&
        !SameUid(iid, kIPluginFactory3Iid)) {
      return kNoInterface;
    }
    *obj = static_cast<IPluginFactory3*>(this);
    addRef();
    return kResultOk;
  }
  uint32_t VST3_CALL addRef() override { return mRefs.Add(); }
  uint32_t VST3_CALL release() override { return mRefs.Drop(); }

  tresult VST3_CALL getFactoryInfo(PFactoryInfo* info) override
  {
    if (!info) return kInvalidArgument;
    *info = PFactoryInfo{};
    Put(info->vendor, ModuleInfo().vendor);
    info->flags = kFactoryUnicode;
    return kResultOk;
  }
  int32_t VST3_CALL countClasses() override { return kClassCount; }
  tresult VST3_CALL getClassInfo(int32_t index, PClassInfo* info) override
  {
    if (!info || index < 0 || index >= kClassCount) return kInvalidArgument;
    FillInfo(index, info);
    return kResultOk;
  }
  tresult VST3_CALL getClassInfo2(int32_t index, PClassInfo2* info) override
  {
    if (!info || index < 0 || index >= kClassCount) return kInvalidArgument;
    FillInfo2(index, info);
    return kResultOk;
  }
  tresult VST3_CALL getClassInfoUnicode(int32_t index, PClassInfoW* info) override
  {
    if (!info || index < 0 || index >= kClassCount) return kInvalidArgument;
    PClassInfo2 narrow;
    FillInfo2(index, &narrow);
    *info = PClassInfoW{};
    info->cid = narrow.cid;
    info->cardinality = narrow.cardinality;
    std::memcpy(info->category, narrow.category, sizeof info->category);
    ToText16(narrow.name, info->name, static_cast<int>(sizeof info->name / sizeof info->name[0]));
    info->classFlags = narrow.classFlags;
    std::memcpy(info->subCategories, narrow.subCategories, sizeof info->subCategories);
    ToText16(narrow.vendor, info->vendor, static_cast<int>(sizeof info->vendor / sizeof info->vendor[0]));
    ToText16(narrow.version, info->version, static_cast<int>(sizeof info->version / sizeof info->version[0]));
    ToText16(narrow.sdkVersion, info->sdkVersion,
             static_cast<int>(sizeof info->sdkVersion / sizeof info->sdkVersion[0]));
    return kResultOk;
  }
  tresult VST3_CALL setHostContext(FUnknown*) override { return kResultOk; }

  tresult VST3_CALL createInstance(FIDString cid, FIDString iid, void** obj) override
  {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    FUnknown* made = nullptr;
    if (SameUid(cid, ModuleInfo().componentId)) {
      made = static_cast<IComponent*>(new (std::nothrow) Vst3Component);
    } else if (SameUid(cid, ModuleInfo().controllerId)) {
      made = static_cast<IEditController*>(new (std::nothrow) Vst3Controller);
    } else {
      return kInvalidArgument;
    }
    if (!made) return kOutOfMemory;
    // The new object starts with one reference, which the query's own
    // reference replaces.
    const tresult r = made->queryInterface(iid, obj);
    made->release();
    return r;
  }

private:
  RefCount mRefs;
};

}  // namespace

IPluginFactory* ModuleFactory()
{
  static Factory factory;
  factory.addRef();
  return &factory;
}
