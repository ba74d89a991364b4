#pragma once
// What the test module's kLeaksSystemObject fault leaves behind of every
// closed instance: one object of the window or operating system that is
// never given back (tests/tools/win: a GDI region; tests/tools/posix: an
// open file descriptor). Any thread.
void LeakSystemObject();
