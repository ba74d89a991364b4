#include "tools/Terminal.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <io.h>

namespace {

std::atomic<bool> gStopRequested{false};

// Windows ends the program a few seconds after its console closes, whatever
// the handler answers; waiting here gives the main thread that time to
// remove what it was writing.
constexpr DWORD kCloseGraceMilliseconds = 3000;

// Runs on a thread the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
  if (gStopRequested.exchange(true)) return FALSE;  // the second request ends the program
  if (event == CTRL_CLOSE_EVENT) Sleep(kCloseGraceMilliseconds);
  return TRUE;
}

}  // namespace

bool ErrorStreamIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void CatchStopRequest() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

bool StopRequested() { return gStopRequested.load(); }
