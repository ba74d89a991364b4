#pragma once
// What the adapter needs from the platform layer.

// The module handle recorded when the library was attached to the process
// (null where the platform has none). Any thread.
void* VexaModuleHandle();
void SetVexaModuleHandle(void* handle);
