#pragma once
// The adapter the effect derives from in the LV2 plug-in (see
// vst/effect/PlugAdapter.h for what every adapter's PlugAdapter.h names).

#include "lv2/PlugLv2.h"

using IPlugAdapter = IPlugLv2;
using IPlugHostHandle = const Lv2HostContext*;
