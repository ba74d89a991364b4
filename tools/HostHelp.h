#pragma once
// vexa-host's commands, their arguments and options, as the help and the
// usage lines of errors show them. Main thread.

#include <cstdio>
#include <string>

// Prints every command with its options (command empty), or one command's;
// false when there is no such command.
bool PrintHelp(std::FILE* out, const std::string& command);

// Prints the usage line of a command (or of every command when command is
// empty or unknown) and where to find the options.
void PrintUsage(std::FILE* out, const std::string& command);

// Whether text asks for help: "--help" or "-h".
bool IsHelpOption(const std::string& text);
