#pragma once
// What the command line sets in a hosted VST 2.4 plug-in before it runs:
// parameter values by name ("--set NAME=VALUE") and a saved state
// ("--state FILE"). Main thread.

#include <string>
#include <vector>

#include "tools/HostedPlugin.h"
#include "tools/ParamValue.h"

// The parameters of host's plug-in as the command line sees them: their
// names, their ranges as a scratch instance displays them at either end,
// and their units from their labels, or for Vexa, whose labels name no
// unit, from what its parameters are.
std::vector<ParamInfo> DescribeParams(HostedPlugin& host);

// Applies "NAME=VALUE" settings through the plug-in's text-to-value path
// (effString2Parameter), as a host's typed value; false with an error that
// names the setting and what it takes, or the parameters there are.
bool ApplySettings(HostedPlugin& host, const std::vector<std::string>& sets, std::string& error);

// Restores a bank chunk (or, with program set, a program chunk) from the
// file at path. For Vexa (any edition) the file is checked first: no Vexa state is
// refused, a damaged one gives a warning and is read as far as it is
// sound. False with error; warning is set when there is one.
bool LoadStateFile(HostedPlugin& host, const std::string& path, bool program, std::string& error,
                   std::string& warning);
