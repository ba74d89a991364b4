#pragma once
// The objects a VST3 host hands a plug-in: its application context (which
// makes messages for the connection of component and controller), streams
// of state bytes, the parameter changes of a block and the component
// handler. Used by the host-side VST3 facade (tools/Vst3Effect.h).

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "base/RefCount.h"
#include "vst3/Vst3Defs.h"

// The host's application context: its name and the messages it makes for
// plug-ins. Owned by the facade; passed to initialize.
class HostApplication final : public vst3::IHostApplication
{
public:
  vst3::tresult VST3_CALL queryInterface(const char* iid, void** obj) override;
  uint32_t VST3_CALL addRef() override { return mRefs.Add(); }
  uint32_t VST3_CALL release() override { return mRefs.Drop(); }
  vst3::tresult VST3_CALL getName(vst3::TChar* name) override;
  vst3::tresult VST3_CALL createInstance(char* cid, char* iid, void** obj) override;

private:
  RefCount mRefs;
};

// State bytes as a stream: reads from and writes to its byte vector. Made
// on the stack by the caller, which owns it.
class MemoryStream final : public vst3::IBStream
{
public:
  MemoryStream() = default;
  explicit MemoryStream(std::vector<unsigned char> bytes) : mBytes(std::move(bytes)) {}
  vst3::tresult VST3_CALL queryInterface(const char* iid, void** obj) override;
  uint32_t VST3_CALL addRef() override { return mRefs.Add(); }
  uint32_t VST3_CALL release() override { return mRefs.Drop(); }
  vst3::tresult VST3_CALL read(void* buffer, int32_t numBytes, int32_t* numBytesRead) override;
  vst3::tresult VST3_CALL write(void* buffer, int32_t numBytes, int32_t* numBytesWritten) override;
  vst3::tresult VST3_CALL seek(int64_t pos, int32_t mode, int64_t* result) override;
  vst3::tresult VST3_CALL tell(int64_t* pos) override;

  const std::vector<unsigned char>& Bytes() const { return mBytes; }
  void Rewind() { mPos = 0; }

private:
  RefCount mRefs;
  std::vector<unsigned char> mBytes;
  size_t mPos = 0;
};

// The changes of one parameter within a block: points in the order added.
class ParamQueue final : public vst3::IParamValueQueue
{
public:
  explicit ParamQueue(vst3::ParamID id) : mId(id) {}
  vst3::tresult VST3_CALL queryInterface(const char* iid, void** obj) override;
  uint32_t VST3_CALL addRef() override { return mRefs.Add(); }
  uint32_t VST3_CALL release() override { return mRefs.Drop(); }
  vst3::ParamID VST3_CALL getParameterId() override { return mId; }
  int32_t VST3_CALL getPointCount() override { return static_cast<int32_t>(mPoints.size()); }
  vst3::tresult VST3_CALL getPoint(int32_t index, int32_t& sampleOffset, vst3::ParamValue& value) override;
  vst3::tresult VST3_CALL addPoint(int32_t sampleOffset, vst3::ParamValue value, int32_t& index) override;

private:
  RefCount mRefs;
  vst3::ParamID mId;
  std::vector<std::pair<int32_t, double>> mPoints;
};

// The parameter changes of one block: one queue per parameter, in the order
// the parameters were first changed. Owned by the facade.
class ParameterChanges final : public vst3::IParameterChanges
{
public:
  ParameterChanges() = default;
  ParameterChanges(const ParameterChanges&) = delete;
  ParameterChanges& operator=(const ParameterChanges&) = delete;
  ~ParameterChanges();
  vst3::tresult VST3_CALL queryInterface(const char* iid, void** obj) override;
  uint32_t VST3_CALL addRef() override { return mRefs.Add(); }
  uint32_t VST3_CALL release() override { return mRefs.Drop(); }
  int32_t VST3_CALL getParameterCount() override { return static_cast<int32_t>(mQueues.size()); }
  vst3::IParamValueQueue* VST3_CALL getParameterData(int32_t index) override;
  vst3::IParamValueQueue* VST3_CALL addParameterData(const vst3::ParamID& id, int32_t& index) override;

  // Adds one point for parameter id at offset 0.
  void Add(vst3::ParamID id, double value);
  bool Empty() const { return mQueues.empty(); }
  void Clear();
  void Swap(ParameterChanges& other) { mQueues.swap(other.mQueues); }

private:
  RefCount mRefs;
  std::vector<ParamQueue*> mQueues;
};

// Receives the controller's edits. Owned by the facade, which passes the
// three reports on to its own callbacks.
class ComponentHandler final : public vst3::IComponentHandler
{
public:
  std::function<void(int index)> onBegin, onEnd;
  std::function<void(int index, double value)> onPerform;
  vst3::tresult VST3_CALL queryInterface(const char* iid, void** obj) override;
  uint32_t VST3_CALL addRef() override { return mRefs.Add(); }
  uint32_t VST3_CALL release() override { return mRefs.Drop(); }
  vst3::tresult VST3_CALL beginEdit(vst3::ParamID id) override;
  vst3::tresult VST3_CALL performEdit(vst3::ParamID id, vst3::ParamValue valueNormalized) override;
  vst3::tresult VST3_CALL endEdit(vst3::ParamID id) override;
  vst3::tresult VST3_CALL restartComponent(int32_t) override { return vst3::kResultOk; }

private:
  RefCount mRefs;
};

// Converts a UTF-16 text of at most count units to 8 bits (non-ASCII: '?').
std::string Narrow(const vst3::TChar* text, int count);
