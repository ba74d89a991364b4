#pragma once
// How a controller finds the component the host connected it to. The
// component announces a serial number through the connection (hosts may
// put a proxy between the two, so no pointer travels); the controller looks
// the serial up here. Process-wide; every operation takes the registry's
// own lock.

#include <cstdint>

class IEditorLink;
class Vst3Component;

// Records a live component under a new serial number, which it returns.
int64_t RegisterComponent(Vst3Component* component);
// Forgets the component; after it returns no controller reaches it.
void UnregisterComponent(int64_t serial);
// Points the indicators of the component with that serial (if it still
// lives) at editor, or at nothing for null.
void RouteIndicators(int64_t serial, IEditorLink* editor);

// The message and attribute names of the announcement.
constexpr const char* kPairingMessage = "VexaComponentSerial";
constexpr const char* kPairingSerial = "serial";
