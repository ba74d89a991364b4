// ILock on POSIX systems: a recursive mutex.
#include "base/Lock.h"

#include <mutex>

struct ILock::Impl
{
  std::recursive_mutex m;
};

ILock::ILock() : mImpl(new Impl) {}
ILock::~ILock() { delete mImpl; }
void ILock::Enter() { mImpl->m.lock(); }
void ILock::Leave() { mImpl->m.unlock(); }
