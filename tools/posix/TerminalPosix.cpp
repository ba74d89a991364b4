#include "tools/Terminal.h"

#include <unistd.h>

bool ErrorStreamIsTerminal() { return isatty(STDERR_FILENO) != 0; }
