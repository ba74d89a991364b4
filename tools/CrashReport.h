#pragma once
// Turns a crash inside a plug-in into a report line: once installed, a fatal
// signal or exception prints "FAIL <context>: the plug-in crashed (...)" to
// the standard output and ends the process with status 1.

// Installs the handlers. Main thread, once, before any plug-in code runs.
void InstallCrashReport();

// What is running now, for the report (copied, bounded). Any thread.
void SetCrashContext(const char* context);
