// The library attach notification: records the module handle, used to find
// the embedded images and to register the editor's window class.
#include <windows.h>

#include "vst/Platform.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID)
{
  SetVexaModuleHandle(instance);
  return TRUE;
}
