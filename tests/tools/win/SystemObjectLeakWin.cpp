#include <windows.h>

#include "tests/tools/SystemObjectLeak.h"

void LeakSystemObject() { CreateRectRgn(0, 0, 1, 1); }
