#pragma once
// Whether the standard error stream is an interactive terminal, so that
// progress lines are shown to a person and kept out of logs. Any thread.
bool ErrorStreamIsTerminal();
