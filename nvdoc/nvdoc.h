// The two things nvdoc's portable body and its Windows entry share.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace nvdoc {

// Arguments after the program name, UTF-8; returns the exit code.
int main_utf8(const std::vector<std::string>& args);

// A file by UTF-8 path (by UTF-16 path on Windows).
std::FILE* open_file(const std::string& path, const char* mode);

}  // namespace nvdoc
