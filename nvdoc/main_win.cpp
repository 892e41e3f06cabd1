// nvdoc's Windows entry: the wide command line and file names, converted at the one crossing.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/wide_win.h"
#include "export/export_win.h"
#include "nvdoc/nvdoc.h"

std::FILE* nvdoc::open_file(const std::string& path, const char* mode) {
    return _wfopen(nv::as_wide(nv::utf8_to_utf16(path)), nv::as_wide(nv::utf8_to_utf16(mode)));
}

std::string nvdoc::render_note_pdf(const nv::DeliveryNote& note, std::u16string_view company) {
    return nv::RenderNotePdf(note, company);
}

std::string nvdoc::render_statement_pdf(const nv::Statement& statement,
                                        std::u16string_view company) {
    return nv::RenderStatementPdf(statement, company);
}

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // no CR before LF in the JSON output
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(nv::utf16_to_utf8(nv::from_wide(argv[i])));
    return nvdoc::main_utf8(args);
}
