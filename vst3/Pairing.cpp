#include "vst3/Pairing.h"

#include <vector>

#include "base/Lock.h"
#include "vst3/Component.h"

namespace {

struct Entry
{
  int64_t serial;
  Vst3Component* component;
};

// The registry and its lock; both live until the module is unloaded.
ILock& RegistryLock()
{
  static ILock lock;
  return lock;
}

std::vector<Entry>& Registry()
{
  static std::vector<Entry> entries;
  return entries;
}

int64_t gNextSerial = 1;

}  // namespace

int64_t RegisterComponent(Vst3Component* component)
{
  ILockGuard guard(RegistryLock());
  const int64_t serial = gNextSerial++;
  Registry().push_back(Entry{serial, component});
  return serial;
}

void UnregisterComponent(int64_t serial)
{
  ILockGuard guard(RegistryLock());
  std::vector<Entry>& entries = Registry();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].serial == serial) {
      entries.erase(entries.begin() + static_cast<long>(i));
      return;
    }
  }
}

void RouteIndicators(int64_t serial, IEditorLink* editor)
{
  ILockGuard guard(RegistryLock());
  for (const Entry& e : Registry()) {
    if (e.serial == serial) e.component->RouteIndicators(editor);
  }
}
