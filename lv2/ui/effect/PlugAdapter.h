#pragma once
// The adapter the effect derives from in the LV2 UI, where it holds the
// parameters and the editor (see vst/effect/PlugAdapter.h for what every
// adapter's PlugAdapter.h names).

#include "lv2/ui/PlugLv2Ui.h"

using IPlugAdapter = IPlugLv2Ui;
using IPlugHostHandle = const Lv2UiContext*;
