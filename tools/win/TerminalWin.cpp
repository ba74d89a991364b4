#include "tools/Terminal.h"

#include <cstdio>
#include <io.h>

bool ErrorStreamIsTerminal() { return _isatty(_fileno(stderr)) != 0; }
