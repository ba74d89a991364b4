// Crash reports through the unhandled-exception filter.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/CrashReport.h"

namespace {

constexpr size_t kContextBytes = 256;
char gContext[kContextBytes] = "starting";

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info)
{
  std::printf("FAIL %s: the plug-in crashed (exception 0x%08lX)\n", gContext,
              static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
  std::fflush(stdout);
  ExitProcess(1);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void InstallCrashReport() { SetUnhandledExceptionFilter(OnUnhandledException); }

void SetCrashContext(const char* context)
{
  size_t n = std::strlen(context);
  if (n >= kContextBytes) n = kContextBytes - 1;
  std::memcpy(gContext, context, n);
  gContext[n] = 0;
}
