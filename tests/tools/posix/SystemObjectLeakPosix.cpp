#include <fcntl.h>

#include "tests/tools/SystemObjectLeak.h"

void LeakSystemObject() { open("/dev/null", O_RDONLY | O_CLOEXEC); }
