#include "tools/Terminal.h"

#include <csignal>
#include <initializer_list>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t gStopRequested = 0;

void OnStopSignal(int) { gStopRequested = 1; }

}  // namespace

bool ErrorStreamIsTerminal() { return isatty(STDERR_FILENO) != 0; }

void CatchStopRequest()
{
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // The handler is taken back after the first signal: a second one ends
  // the program the usual way.
  action.sa_flags = SA_RESETHAND;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool StopRequested() { return gStopRequested != 0; }
