#include "tools/Vst3HostObjects.h"

#include <cstring>
#include <map>
#include <new>

namespace {

using namespace vst3;

constexpr char kHostName[] = "vexa-host";

// Answers a query for an object that is only its one interface.
tresult QuerySelf(FUnknown* self, const char* iid, const Uid& own, void** obj)
{
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  if (!SameUid(iid, kFUnknownIid) && !SameUid(iid, own)) return kNoInterface;
  *obj = self;
  self->addRef();
  return kResultOk;
}

// A message with its attribute list, made for the plug-in and deleted by its
// last release.
class AttributeList final : public IAttributeList
{
public:
  tresult VST3_CALL queryInterface(const char* iid, void** obj) override
  {
    return QuerySelf(this, iid, kIAttributeListIid, obj);
  }
  uint32_t VST3_CALL addRef() override { return mRefs.Add(); }
  uint32_t VST3_CALL release() override { return mRefs.DropAndDelete(this); }
  tresult VST3_CALL setInt(const char* id, int64_t value) override
  {
    if (!id) return kInvalidArgument;
    mInts[id] = value;
    return kResultOk;
  }
  tresult VST3_CALL getInt(const char* id, int64_t& value) override
  {
    const auto it = id ? mInts.find(id) : mInts.end();
    if (it == mInts.end()) return kResultFalse;
    value = it->second;
    return kResultOk;
  }
  tresult VST3_CALL setFloat(const char*, double) override { return kNotImplemented; }
  tresult VST3_CALL getFloat(const char*, double&) override { return kResultFalse; }
  tresult VST3_CALL setString(const char*, const TChar*) override { return kNotImplemented; }
  tresult VST3_CALL getString(const char*, TChar*, uint32_t) override { return kResultFalse; }
  tresult VST3_CALL setBinary(const char*, const void*, uint32_t) override { return kNotImplemented; }
  tresult VST3_CALL getBinary(const char*, const void*&, uint32_t&) override { return kResultFalse; }

private:
  RefCount mRefs;
  std::map<std::string, int64_t> mInts;
};

class Message final : public IMessage
{
public:
  Message() : mAttributes(new AttributeList) {}
  ~Message() { mAttributes->release(); }
  Message(const Message&) = delete;
  Message& operator=(const Message&) = delete;
  tresult VST3_CALL queryInterface(const char* iid, void** obj) override
  {
    return QuerySelf(this, iid, kIMessageIid, obj);
  }
  uint32_t VST3_CALL addRef() override { return mRefs.Add(); }
  uint32_t VST3_CALL release() override { return mRefs.DropAndDelete(this); }
  FIDString VST3_CALL getMessageID() override { return mId.c_str(); }
  void VST3_CALL setMessageID(FIDString id) override { mId = id ? id : ""; }
  IAttributeList* VST3_CALL getAttributes() override { return mAttributes; }

private:
  RefCount mRefs;
  std::string mId;
  AttributeList* mAttributes;
};

}  // namespace

tresult VST3_CALL HostApplication::queryInterface(const char* iid, void** obj)
{
  return QuerySelf(this, iid, kIHostApplicationIid, obj);
}

tresult VST3_CALL HostApplication::getName(TChar* name)
{
  if (!name) return kInvalidArgument;
  for (size_t i = 0; i < sizeof kHostName; ++i) name[i] = static_cast<TChar>(kHostName[i]);
  return kResultOk;
}

tresult VST3_CALL HostApplication::createInstance(char* cid, char* iid, void** obj)
{
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  if (SameUid(cid, kIMessageIid) && SameUid(iid, kIMessageIid)) {
    *obj = static_cast<IMessage*>(new (std::nothrow) Message);
    return *obj ? kResultOk : kOutOfMemory;
  }
  if (SameUid(cid, kIAttributeListIid) && SameUid(iid, kIAttributeListIid)) {
    *obj = static_cast<IAttributeList*>(new (std::nothrow) AttributeList);
    return *obj ? kResultOk : kOutOfMemory;
  }
  return kResultFalse;
}

tresult VST3_CALL MemoryStream::queryInterface(const char* iid, void** obj)
{
  return QuerySelf(this, iid, kIBStreamIid, obj);
}

tresult VST3_CALL MemoryStream::read(void* buffer, int32_t numBytes, int32_t* numBytesRead)
{
  if (!buffer || numBytes < 0) return kInvalidArgument;
  const size_t left = mBytes.size() - mPos;
  const size_t n = static_cast<size_t>(numBytes) < left ? static_cast<size_t>(numBytes) : left;
  if (n) std::memcpy(buffer, mBytes.data() + mPos, n);
  mPos += n;
  if (numBytesRead) *numBytesRead = static_cast<int32_t>(n);
  return kResultOk;
}

tresult VST3_CALL MemoryStream::write(void* buffer, int32_t numBytes, int32_t* numBytesWritten)
{
  if (!buffer || numBytes < 0) return kInvalidArgument;
  const unsigned char* from = static_cast<const unsigned char*>(buffer);
  if (mPos + static_cast<size_t>(numBytes) > mBytes.size()) mBytes.resize(mPos + static_cast<size_t>(numBytes));
  std::memcpy(mBytes.data() + mPos, from, static_cast<size_t>(numBytes));
  mPos += static_cast<size_t>(numBytes);
  if (numBytesWritten) *numBytesWritten = numBytes;
  return kResultOk;
}

tresult VST3_CALL MemoryStream::seek(int64_t pos, int32_t mode, int64_t* result)
{
  int64_t base = 0;
  if (mode == kSeekCurrent) base = static_cast<int64_t>(mPos);
  if (mode == kSeekEnd) base = static_cast<int64_t>(mBytes.size());
  const int64_t to = base + pos;
  if (to < 0 || to > static_cast<int64_t>(mBytes.size())) return kInvalidArgument;
  mPos = static_cast<size_t>(to);
  if (result) *result = to;
  return kResultOk;
}

tresult VST3_CALL MemoryStream::tell(int64_t* pos)
{
  if (!pos) return kInvalidArgument;
  *pos = static_cast<int64_t>(mPos);
  return kResultOk;
}

tresult VST3_CALL ParamQueue::queryInterface(const char* iid, void** obj)
{
  return QuerySelf(this, iid, kIParamValueQueueIid, obj);
}

tresult VST3_CALL ParamQueue::getPoint(int32_t index, int32_t& sampleOffset, ParamValue& value)
{
  if (index < 0 || index >= getPointCount()) return kInvalidArgument;
  sampleOffset = mPoints[static_cast<size_t>(index)].first;
  value = mPoints[static_cast<size_t>(index)].second;
  return kResultOk;
}

tresult VST3_CALL ParamQueue::addPoint(int32_t sampleOffset, ParamValue value, int32_t& index)
{
  index = getPointCount();
  mPoints.emplace_back(sampleOffset, value);
  return kResultOk;
}

ParameterChanges::~ParameterChanges() { Clear(); }

tresult VST3_CALL ParameterChanges::queryInterface(const char* iid, void** obj)
{
  return QuerySelf(this, iid, kIParameterChangesIid, obj);
}

IParamValueQueue* VST3_CALL ParameterChanges::getParameterData(int32_t index)
{
  return index >= 0 && index < getParameterCount() ? mQueues[static_cast<size_t>(index)] : nullptr;
}

IParamValueQueue* VST3_CALL ParameterChanges::addParameterData(const ParamID& id, int32_t& index)
{
  for (size_t i = 0; i < mQueues.size(); ++i) {
    if (mQueues[i]->getParameterId() == id) {
      index = static_cast<int32_t>(i);
      return mQueues[i];
    }
  }
  index = getParameterCount();
  mQueues.push_back(new ParamQueue(id));
  return mQueues.back();
}

void ParameterChanges::Add(ParamID id, double value)
{
  int32_t index = 0;
  addParameterData(id, index)->addPoint(0, value, index);
}

void ParameterChanges::Clear()
{
  for (ParamQueue* q : mQueues) delete q;
  mQueues.clear();
}

tresult VST3_CALL ComponentHandler::queryInterface(const char* iid, void** obj)
{
  return QuerySelf(this, iid, kIComponentHandlerIid, obj);
}

tresult VST3_CALL ComponentHandler::beginEdit(ParamID id)
{
  if (onBegin) onBegin(static_cast<int>(id));
  return kResultOk;
}

tresult VST3_CALL ComponentHandler::performEdit(ParamID id, ParamValue valueNormalized)
{
  if (onPerform) onPerform(static_cast<int>(id), valueNormalized);
  return kResultOk;
}

tresult VST3_CALL ComponentHandler::endEdit(ParamID id)
{
  if (onEnd) onEnd(static_cast<int>(id));
  return kResultOk;
}

std::string Narrow(const TChar* text, int count)
{
  std::string s;
  for (int i = 0; text && i < count && text[i]; ++i) s += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
  return s;
}
