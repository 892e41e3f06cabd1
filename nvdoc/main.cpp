// nvdoc: the document writers of Norvane from the command line, for batch use and for checking
// the output with other tools. Paths and texts are UTF-8 (UTF-16 on the Windows command line).
//
//   nvdoc payload NOTE.json COMPANY OUT   print payload of a note
//   nvdoc job PAYLOAD                     the print job read from a payload, as JSON on stdout
//   nvdoc docx NOTE.json COMPANY OUT      Word document of a note
//   nvdoc pdf NOTE.json COMPANY OUT       A4 PDF of a note (Windows build)
//   nvdoc rle IN OUT                      run-length encoding of a file
//   nvdoc pdf-raw OUT PAGE...             PDF from raw 1191x1684 RGB page images
//   nvdoc zip OUT NAME=FILE...            stored zip of those entries, in that order
//   nvdoc json FILE                       the tree the client reads from a service answer
//   nvdoc xlsx NOTES.json OUT             the workbook of 导出 Excel for those notes
//   nvdoc statement NOTES.json CUSTOMER FROM TO COMPANY OUT [--status S]
//                                         the statement of account as an A4 PDF (Windows
//                                         build), or as a workbook when OUT ends in .xlsx
//
// NOTE.json is one delivery note as the data service lists it; NOTES.json a list answer of the
// data service (or its "data" array).
#include <charconv>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/json.h"
#include "base/text.h"
#include "export/docx.h"
#include "export/pdf_writer.h"
#include "export/workbooks.h"
#include "export/xlsx.h"
#include "export/zip.h"
#include "notes/note_json.h"
#include "nvdoc/nvdoc.h"
#include "print/payload.h"

namespace {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using nvdoc::open_file;

// Every input is read whole; an endless or huge one (a device such as /dev/zero, say) is refused
// once it passes this size instead of growing until memory runs out.
constexpr std::size_t kMaxInputBytes = std::size_t{256} << 20;

std::string read_file(const std::string& path) {
    FILE* f = open_file(path, "rb");
    if (!f)
        throw Failure("cannot open " + path);
    std::string data;
    char buf[65536];
    std::size_t n;
    bool too_large = false;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        if (data.size() + n > kMaxInputBytes) {
            too_large = true;
            break;
        }
        data.append(buf, n);
    }
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (too_large)
        throw Failure(path + ": input larger than 256 MiB");
    if (failed)
        throw Failure("cannot read " + path);
    return data;
}

void write_file(const std::string& path, const std::string& data) {
    FILE* f = open_file(path, "wb");
    if (!f)
        throw Failure("cannot create " + path);
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        throw Failure("cannot write " + path);
}

nv::DeliveryNote read_note(const std::string& path) {
    nv::JsonValue v;
    if (!nv::json_parse(read_file(path), v) || v.kind() != nv::JsonKind::Object)
        throw Failure(path + ": not a JSON object");
    return nv::note_from_json(v);
}

std::vector<nv::DeliveryNote> read_notes(const std::string& path) {
    nv::JsonValue v;
    if (!nv::json_parse(read_file(path), v))
        throw Failure(path + ": not JSON");
    std::optional<nv::JsonValue> data =
        v.kind() == nv::JsonKind::Object ? nv::json_find(v, u"data") : std::optional(v);
    if (!data || data->kind() != nv::JsonKind::Array)
        throw Failure(path + ": not a list of notes");
    std::vector<nv::DeliveryNote> notes;
    for (const nv::JsonValue& element : data->elements()) {
        if (element.kind() == nv::JsonKind::Object)
            notes.push_back(nv::note_from_json(element));
    }
    return notes;
}

// JSON output: strings escaped, numbers in their shortest exact form (null when not finite).
void put_string(std::string& out, std::u16string_view s) {
    out += '"';
    out += nv::utf16_to_utf8(nv::json_escape(s));
    out += '"';
}

void put_number(std::string& out, double v) {
    if (v != v || v - v != 0.0) {
        out += "null";
        return;
    }
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

// The parsed tree written back compactly, for a maintainer to see what the client read: members
// in document order with duplicates, control units and unpaired surrogates as \uXXXX, numbers
// in their shortest exact form (an infinity as 1e999, which reads back as one).
void put_tree_string(std::string& out, std::u16string_view s) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < s.size(); ++i) {
        char16_t c = s[i];
        bool high = c >= 0xD800 && c <= 0xDBFF;
        bool paired = high && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF;
        if (c == u'"' || c == u'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || (c >= 0xD800 && c <= 0xDFFF && !paired)) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 15];
        } else {
            std::size_t n = paired ? 2 : 1;
            out += nv::utf16_to_utf8(s.substr(i, n));
            i += n - 1;
        }
    }
    out += '"';
}

void put_tree(std::string& out, const nv::JsonValue& v) {
    switch (v.kind()) {
        case nv::JsonKind::Null:
            out += "null";
            break;
        case nv::JsonKind::Boolean:
            out += v.flag() ? "true" : "false";
            break;
        case nv::JsonKind::Number: {
            double number = v.number();
            if (number - number != 0.0) {
                out += number < 0 ? "-1e999" : "1e999";
                break;
            }
            char buf[32];
            auto r = std::to_chars(buf, buf + sizeof buf, number);
            out.append(buf, r.ptr);
            break;
        }
        case nv::JsonKind::String:
            put_tree_string(out, v.text());
            break;
        case nv::JsonKind::Array:
            out += '[';
            for (const nv::JsonValue& e : v.elements()) {
                if (out.back() != '[')
                    out += ',';
                put_tree(out, e);
            }
            out += ']';
            break;
        case nv::JsonKind::Object:
            out += '{';
            for (const nv::JsonMember& m : v.members()) {
                if (out.back() != '{')
                    out += ',';
                put_tree_string(out, m.key());
                out += ':';
                put_tree(out, m.value());
            }
            out += '}';
            break;
    }
}

std::string json_tree(const std::string& path) {
    nv::JsonValue v;
    if (!nv::json_parse(read_file(path), v))
        throw Failure(path + ": not read as JSON");
    std::string out;
    put_tree(out, v);
    return out + "\n";
}

std::string job_json(const nv::PrintJob& job) {
    std::string out = "{";
    auto member = [&out](const char* key, std::u16string_view value) {
        out += '"';
        out += key;
        out += "\":";
        put_string(out, value);
        out += ',';
    };
    member("company", job.company);
    member("no", job.number);
    member("customer", job.customer);
    member("project", job.project);
    member("contact", job.contact);
    member("date", job.date);
    member("address", job.address);
    member("remark", job.remark);
    out += "\"items\":[";
    for (std::size_t i = 0; i < job.items.size(); ++i) {
        const nv::Item& it = job.items[i];
        if (i)
            out += ',';
        out += '{';
        member("product", it.product);
        member("model", it.model);
        member("length", it.length);
        member("wattage", it.wattage);
        member("brightness", it.brightness);
        member("sensorMode", it.sensor_mode);
        out += "\"quantity\":";
        put_number(out, it.quantity);
        out += ',';
        member("unit", it.unit);
        out += "\"price\":";
        put_number(out, it.price);
        out += '}';
    }
    out += "],\"total\":";
    put_number(out, job.total);
    out += ",\"copies\":" + std::to_string(job.copies) + "}\n";
    return out;
}

void usage() {
    throw Failure(
        "usage: nvdoc payload NOTE.json COMPANY OUT | job PAYLOAD | docx NOTE.json COMPANY OUT |"
        " pdf NOTE.json COMPANY OUT | rle IN OUT | pdf-raw OUT PAGE... | zip OUT NAME=FILE... |"
        " json FILE | xlsx NOTES.json OUT |"
        " statement NOTES.json CUSTOMER FROM TO COMPANY OUT [--status 待送达|已送达]");
}

int run(const std::vector<std::string>& args) {
    if (args.empty())
        usage();
    const std::string& cmd = args[0];
    const std::size_t n = args.size();
    if (cmd == "payload" && n == 4) {
        write_file(args[3], nv::write_payload(read_note(args[1]), nv::utf8_to_utf16(args[2])));
    } else if (cmd == "job" && n == 2) {
        std::string out = job_json(nv::read_payload(read_file(args[1])));
        std::fwrite(out.data(), 1, out.size(), stdout);
    } else if (cmd == "docx" && n == 4) {
        write_file(args[3], nv::build_docx(read_note(args[1]), nv::utf8_to_utf16(args[2])));
    } else if (cmd == "pdf" && n == 4) {
        write_file(args[3], nvdoc::render_note_pdf(read_note(args[1]), nv::utf8_to_utf16(args[2])));
    } else if (cmd == "xlsx" && n == 3) {
        std::u16string error;
        std::optional<std::string> book =
            nv::build_xlsx(nv::notes_workbook(read_notes(args[1])), error);
        if (!book)
            throw Failure(nv::utf16_to_utf8(error));
        write_file(args[2], *book);
    } else if (cmd == "statement" && (n == 7 || (n == 9 && args[7] == "--status"))) {
        nv::StatementQuery query{nv::utf8_to_utf16(args[2]), nv::utf8_to_utf16(args[3]),
                                 nv::utf8_to_utf16(args[4]),
                                 n == 9 ? nv::utf8_to_utf16(args[8]) : std::u16string()};
        if (!query.status.empty() && query.status != nv::kStatusPending &&
            query.status != nv::kStatusDelivered)
            throw Failure("--status: " + args[8] + " is neither 待送达 nor 已送达");
        std::u16string error;
        std::optional<nv::Statement> s = nv::make_statement(read_notes(args[1]), query, error);
        if (!s)
            throw Failure(nv::utf16_to_utf8(error));
        if (s->notes.empty())
            throw Failure("no delivery note of " + args[2] + " in " + args[3] + " .. " + args[4]);
        const std::string& out = args[6];
        if (out.size() > 5 && out.compare(out.size() - 5, 5, ".xlsx") == 0) {
            std::optional<std::string> book = nv::build_xlsx(nv::statement_workbook(*s), error);
            if (!book)
                throw Failure(nv::utf16_to_utf8(error));
            write_file(out, *book);
        } else {
            write_file(out, nvdoc::render_statement_pdf(*s, nv::utf8_to_utf16(args[5])));
        }
    } else if (cmd == "json" && n == 2) {
        std::string out = json_tree(args[1]);
        std::fwrite(out.data(), 1, out.size(), stdout);
    } else if (cmd == "rle" && n == 3) {
        write_file(args[2], nv::run_length_encode(read_file(args[1])));
    } else if (cmd == "pdf-raw" && n >= 3) {
        // Only encoded pages are kept: each raw page is dropped once it is encoded.
        std::vector<std::string> pages;
        for (std::size_t i = 2; i < n; ++i) {
            std::string raw = read_file(args[i]);
            if (raw.size() != nv::kPdfPageBytes)
                throw Failure(args[i] + ": a page must be exactly 1191 x 1684 x 3 bytes, not " +
                              std::to_string(raw.size()));
            pages.push_back(nv::run_length_encode(raw));
        }
        write_file(args[1], nv::write_pdf(std::move(pages)));
    } else if (cmd == "zip" && n >= 2) {
        std::vector<nv::ZipEntry> entries;
        for (std::size_t i = 2; i < n; ++i) {
            std::size_t eq = args[i].find('=');
            if (eq == std::string::npos || eq == 0)
                throw Failure(args[i] + ": expected NAME=FILE");
            entries.push_back({args[i].substr(0, eq), read_file(args[i].substr(eq + 1))});
        }
        write_file(args[1], nv::build_zip(entries));
    } else {
        usage();
    }
    return 0;
}

}  // namespace

int nvdoc::main_utf8(const std::vector<std::string>& args) {
    try {
        return run(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nvdoc: %s\n", e.what());
        return 1;
    }
}

#ifndef _WIN32
std::string nvdoc::render_note_pdf(const nv::DeliveryNote&, std::u16string_view) {
    throw Failure("pdf: the A4 pages are drawn with GDI; use nvdoc.exe of the Windows build");
}

std::string nvdoc::render_statement_pdf(const nv::Statement&, std::u16string_view) {
    throw Failure("statement: the A4 pages are drawn with GDI; use nvdoc.exe of the Windows build");
}

FILE* nvdoc::open_file(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

int main(int argc, char** argv) {
    return nvdoc::main_utf8(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
