// ILock on Windows: a critical section (recursive by nature).
#include "base/Lock.h"

#include <windows.h>

struct ILock::Impl
{
  CRITICAL_SECTION cs;
};

ILock::ILock() : mImpl(new Impl) { InitializeCriticalSection(&mImpl->cs); }

ILock::~ILock()
{
  DeleteCriticalSection(&mImpl->cs);
  delete mImpl;
}

void ILock::Enter() { EnterCriticalSection(&mImpl->cs); }
void ILock::Leave() { LeaveCriticalSection(&mImpl->cs); }
