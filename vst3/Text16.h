#pragma once
// Texts between the core's 8-bit strings and the interface's UTF-16 ones.

#include "vst3/Vst3Defs.h"

// Copies src into dst of dstChars UTF-16 units, cut and terminated. Bytes
// above 127 become U+FFFD: the core's texts are ASCII.
void ToText16(const char* src, char16_t* dst, int dstChars);
// Copies the UTF-16 text src (at most srcChars units, or up to its
// terminator) into dst of dstBytes bytes, cut and terminated; characters
// outside ASCII become '?'.
void FromText16(const char16_t* src, int srcChars, char* dst, int dstBytes);
