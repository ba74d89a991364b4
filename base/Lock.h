#pragma once
// The recursive lock used for the instance lock and the process-wide locks.

// A recursive mutual-exclusion lock (a thread that holds it may take it
// again). Owns its platform object; whoever constructs it destroys it. Any
// thread may call Enter and Leave; each Enter must be paired with one Leave
// on the same thread.
class ILock
{
public:
  ILock();
  ~ILock();
  ILock(const ILock&) = delete;
  ILock& operator=(const ILock&) = delete;

  void Enter();
  void Leave();

private:
  struct Impl;
  Impl* mImpl;
};

// Holds an ILock for the lifetime of the guard.
class ILockGuard
{
public:
  explicit ILockGuard(ILock& lock) : mLock(lock) { mLock.Enter(); }
  ~ILockGuard() { mLock.Leave(); }
  ILockGuard(const ILockGuard&) = delete;
  ILockGuard& operator=(const ILockGuard&) = delete;

private:
  ILock& mLock;
};
