#pragma once
// The program's terminal: whether progress lines reach a person, and the
// user's request to stop (Ctrl-C, the terminal closing, a polite kill).

// Whether the standard error stream is an interactive terminal, so that
// progress lines are shown to a person and kept out of logs. Any thread.
bool ErrorStreamIsTerminal();

// From here on, the user's first request to stop is noted instead of ending
// the program where it stands, so that work in progress can be ended
// cleanly; a second request ends the program at once. Main thread, once.
void CatchStopRequest();

// Whether the user asked to stop since CatchStopRequest. Any thread; no
// lock.
bool StopRequested();
