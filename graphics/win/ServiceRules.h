#pragma once
// The rules behind the window services that need no window: which characters
// a value entry takes and what its text stands for, how menu items are
// labelled and numbered, the file dialog's filter, and folder names.

#include "base/GrowBuffer.h"

class IParameter;
class PopupMenuSpec;

// Longest default extension handed to the file dialog, in characters.
constexpr int kDefaultExtensionChars = 15;

// Whether the value entry for param accepts the typed character ch. Without
// a parameter, and for kinds without a number filter, everything passes;
// backspace and the editing controls (copy, paste, select all) always do.
bool EntryAcceptsChar(const IParameter* param, unsigned ch);

// The plain value typed text stands for: for kinds chosen from display
// texts, the value whose text it equals; otherwise its leading decimal
// number. 0 when nothing matches or no number can be read.
double EntryTypedValue(const IParameter& param, const char* text);

// The label item position (0-based) of menu shows: its text, or the text
// numbered from 1 in the menu's numbering style.
void MenuItemLabel(const PopupMenuSpec& menu, int position, IGrowString* out);

// A file dialog filter from a space-separated list of extensions without
// dots ("png jpg"): the pattern list ("*.png;*.jpg") and the default
// extension (the first one, at most kDefaultExtensionChars characters).
// False (both empty) when the list names no extension.
bool FileFilterFor(const char* extensions, IGrowString* patterns, IGrowString* defaultExtension);

// The folder part of path: everything up to and including its last
// backslash (or slash). False, with out empty, when path has none or ends
// with one.
bool FolderOfPath(const char* path, IGrowString* out);
