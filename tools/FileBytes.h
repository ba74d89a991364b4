#pragma once
// Whole-file reads and writes for the host tools.

#include <string>
#include <vector>

// Reads the file at path into bytes; false when it cannot be opened.
bool ReadFileBytes(const std::string& path, std::vector<unsigned char>& bytes);
// Writes size bytes to the file at path; false on any failure.
bool WriteFileBytes(const std::string& path, const void* data, size_t size);
