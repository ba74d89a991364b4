#pragma once
// Native virtual-key codes as the editor's key codes.

#include "graphics/EditorTypes.h"

// The EditorKey of virtual key vk: space, the four arrows, the digits and the
// letters. False for every other key (the host gets those).
bool EditorKeyFor(unsigned vk, EditorKey* key);
