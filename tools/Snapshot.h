#pragma once
// Capturing the plug-in's editor window to a PNG file.

#include <string>

class HostedPlugin;

// Opens the editor in a top-level window, waits for its first paint, writes
// the window's pixels to pngPath and closes the editor. False with error set
// where the platform or the plug-in gives no editor window. UI thread.
bool SnapshotEditor(HostedPlugin& host, const std::string& pngPath, std::string& error);
