// The two things nvdoc's portable body and its Windows entry share.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "notes/records.h"
#include "notes/statement.h"

namespace nvdoc {

// Arguments after the program name, UTF-8; returns the exit code.
int main_utf8(const std::vector<std::string>& args);

// The A4 PDF export of a note and of a statement (drawn with GDI: the Windows build only).
std::string render_note_pdf(const nv::DeliveryNote& note, std::u16string_view company);
std::string render_statement_pdf(const nv::Statement& statement, std::u16string_view company);

// A file by UTF-8 path (by UTF-16 path on Windows).
std::FILE* open_file(const std::string& path, const char* mode);

}  // namespace nvdoc
