#pragma once
// vexa-host's commands that take more than a few lines, each given the
// arguments after its name. Each returns the process's exit status: 0 done,
// 1 failed, 2 refused its arguments (the error and the command's usage on
// standard error). Main thread.

#include <string>
#include <vector>

class HostedPlugin;

int RenderCommand(const std::vector<std::string>& args);

// Prints an error for command ("vexa-host render: ...") and its usage;
// returns 2.
int UsageError(const std::string& command, const std::string& error);

// Loads the module at path into host; false with the error printed.
bool LoadPlugin(HostedPlugin& host, const std::string& path);
