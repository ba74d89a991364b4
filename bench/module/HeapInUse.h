#pragma once
// The platform's count of heap bytes in use by this process.

#include <cstddef>

// Bytes the process's heap has handed out and not had back, large blocks
// included. Exact while one thread allocates. Any thread.
size_t HeapBytesInUse();
