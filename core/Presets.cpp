// Parameter state and preset slots of IPlugBase.
#include <cstdio>
#include <cstring>

#include "core/PlugBase.h"

bool IPlugBase::SerializeParams(IStateChunk& chunk)
{
  ILockGuard g(mLock);
  bool ok = true;
  for (int i = 0; i < NParams() && ok; ++i) {
    ok = chunk.PutDouble(ParameterAt(i)->Value()) && chunk.Size() > 0;
  }
  return ok;
}

int IPlugBase::UnserializeParams(const IStateChunk& chunk, int pos)
{
  ILockGuard g(mLock);
  for (int i = 0; i < NParams() && pos >= 0; ++i) {
    double v = 0.0;
    pos = chunk.GetDouble(&v, pos);
    if (pos < 0) v = 0.0;
    ParameterAt(i)->SetClamped(v);
  }
  for (int i = 0; i < NParams(); ++i) ParameterChanged(i);
  return pos;
}

const char* IPlugBase::PresetName(int i) const
{
  const IPresetSlot* slot = PresetAt(i);
  return slot ? slot->name : "";
}

void IPlugBase::FillEmptyPresets(const char* name, int count)
{
  ILockGuard g(mLock);
  for (int n = 0; n < count; ++n) {
    IPresetSlot* slot = nullptr;
    for (int i = 0; i < NPresets() && !slot; ++i) {
      if (!PresetAt(i)->initialized) slot = PresetAt(i);
    }
    if (!slot) continue;
    slot->initialized = true;
    CopyText(slot->name, name ? name : "Empty", kPresetNameBytes);
    slot->chunk.Clear();
    SerializeParams(slot->chunk);
  }
}

bool IPlugBase::RestorePreset(int index)
{
  ILockGuard g(mLock);
  IPresetSlot* slot = PresetAt(index);
  if (!slot) return false;
  bool ok;
  if (slot->initialized) {
    ok = UnserializeParams(slot->chunk, 0) > 0;
  } else {
    slot->initialized = true;
    int users = 0;
    for (int i = 0; i < NPresets(); ++i) {
      if (std::strstr(PresetAt(i)->name, "user preset")) ++users;
    }
    std::snprintf(slot->name, sizeof slot->name, "%s %d", "user preset", users + 1);
    slot->chunk.Clear();
    ok = SerializeParams(slot->chunk);
  }
  if (ok) {
    mCurrentPreset = index;
    PresetsChanged();
    RefreshEditorControls();
  }
  return ok;
}

void IPlugBase::ModifyCurrentPreset(const char* name)
{
  ILockGuard g(mLock);
  IPresetSlot* slot = PresetAt(mCurrentPreset);
  if (!slot) return;
  slot->chunk.Clear();
  SerializeParams(slot->chunk);
  if (name && name[0]) CopyText(slot->name, name, kPresetNameBytes);
}

bool IPlugBase::SerializePresets(IStateChunk& chunk)
{
  ILockGuard g(mLock);
  bool ok = true;
  for (int i = 0; i < NPresets() && ok; ++i) {
    const IPresetSlot* slot = PresetAt(i);
    chunk.PutText(slot->name);
    chunk.PutByte(slot->initialized ? 1 : 0);
    if (slot->initialized) {
      chunk.PutBytes(slot->chunk.Data(), slot->chunk.Size());
      if (chunk.Size() == 0) ok = false;
    }
  }
  return ok;
}

int IPlugBase::UnserializePresets(const IStateChunk& chunk, int pos)
{
  ILockGuard g(mLock);
  IGrowString name;
  for (int i = 0; i < NPresets() && pos >= 0; ++i) {
    IPresetSlot* slot = PresetAt(i);
    int len = 0;
    const int afterLen = chunk.GetInt32(&len, pos);
    if (afterLen < 0 || len < 0) {
      // A negative length would move the position backwards: the chunk is
      // damaged, so reading stops here.
      pos = -1;
    } else {
      const long long end = static_cast<long long>(afterLen) + len;
      if (end <= chunk.Size()) {
        if (len > 0) {
          name.SetAt(0, reinterpret_cast<const char*>(chunk.Data()) + afterLen, len);
        } else {
          name.Set("");
        }
        pos = static_cast<int>(end);
      } else {
        pos = -1;  // the name runs past the end: nothing after it can be read
      }
    }
    CopyText(slot->name, name.Get(), kPresetNameBytes);
    unsigned char flag = 0;
    pos = chunk.GetByte(&flag, pos);
    if (pos >= 0) slot->initialized = flag != 0;
    if (slot->initialized) {
      pos = UnserializeParams(chunk, pos);
      if (pos > 0) {
        slot->chunk.Clear();
        SerializeParams(slot->chunk);
      }
    }
  }
  RestorePreset(mCurrentPreset);
  return pos;
}

bool IPlugBase::SaveBankChunk(IStateChunk& chunk)
{
  ILockGuard g(mLock);
  WriteChunkHeader(chunk);
  // The current values go into the current slot first, so the bank holds
  // what the host hears.
  ModifyCurrentPreset();
  return SerializePresets(chunk) && chunk.Size() > 0;
}

bool IPlugBase::SaveProgramChunk(IStateChunk& chunk)
{
  ILockGuard g(mLock);
  WriteChunkHeader(chunk);
  return SerializeParams(chunk) && chunk.Size() > 0;
}

bool IPlugBase::RestoreBankChunk(const IStateChunk& chunk)
{
  ILockGuard g(mLock);
  int pos = 0;
  if (ReadChunkHeader(chunk, &pos) < kChunkVersion) return RestoreProgramChunk(chunk);
  pos = UnserializePresets(chunk, pos);
  if (pos < 0) return false;
  RefreshEditorControls();
  return true;
}

bool IPlugBase::RestoreProgramChunk(const IStateChunk& chunk)
{
  ILockGuard g(mLock);
  int pos = 0;
  ReadChunkHeader(chunk, &pos);
  pos = UnserializeParams(chunk, pos);
  ModifyCurrentPreset();
  if (pos < 0) return false;
  RefreshEditorControls();
  return true;
}
