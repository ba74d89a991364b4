// Crash reports through signal handlers.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <initializer_list>

#include "tools/CrashReport.h"

namespace {

constexpr size_t kContextBytes = 256;
char gContext[kContextBytes] = "starting";
std::atomic<bool> gWriting{false};

void Write(const char* text) { (void)!write(STDOUT_FILENO, text, std::strlen(text)); }

void OnFatalSignal(int sig)
{
  if (!gWriting.exchange(true)) {
    Write("FAIL ");
    Write(gContext);
    Write(": the plug-in crashed (");
    Write(strsignal(sig));
    Write(")\n");
  }
  _exit(1);
}

}  // namespace

void InstallCrashReport()
{
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) signal(sig, OnFatalSignal);
}

void SetCrashContext(const char* context)
{
  size_t n = std::strlen(context);
  if (n >= kContextBytes) n = kContextBytes - 1;
  std::memcpy(gContext, context, n);
  gContext[n] = 0;
}
