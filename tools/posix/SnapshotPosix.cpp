// Editor snapshots need a native window; this platform has none yet.
#include "tools/Snapshot.h"

bool SnapshotEditor(HostedPlugin&, const std::string&, std::string& error)
{
  error = "editor snapshots need the Windows build (run it under Wine)";
  return false;
}
