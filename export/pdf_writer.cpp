#include "export/pdf_writer.h"

#include <charconv>

namespace nv {

void run_length_encode(std::string_view in, std::string& out) {
    const std::size_t n = in.size();
    // A blank page shrinks 64-fold; reserve for the common case, the string grows if needed.
    out.reserve(out.size() + n / 48 + 16);
    std::size_t i = 0;
    auto run_at = [&in, n](std::size_t k) {
        return k + 2 < n && in[k] == in[k + 1] && in[k] == in[k + 2];
    };
    while (i < n) {
        std::size_t r = 1;
        while (r < 128 && i + r < n && in[i + r] == in[i]) ++r;
        if (r >= 3) {
            out.push_back(static_cast<char>(257 - r));
            out.push_back(in[i]);
            i += r;
            continue;
        }
        std::size_t s = i;
        i += r;
        while (i < n && i - s < 128 && !run_at(i)) ++i;
        out.push_back(static_cast<char>(i - s - 1));
        out.append(in.data() + s, i - s);
    }
    out.push_back(static_cast<char>(128));
}

std::string run_length_encode(std::string_view in) {
    std::string out;
    run_length_encode(in, out);
    return out;
}

namespace {

void append_number(std::string& out, unsigned long long v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

}  // namespace

std::string write_pdf(const std::vector<std::string>& encoded_pages) {
    static constexpr std::string_view kContent = "q 595.2756 0 0 841.8898 0 0 cm /Im Do Q";
    const std::size_t pages = encoded_pages.size();
    const std::size_t objects = 2 + 3 * pages;

    std::size_t total = 64 * objects + 256;
    for (const std::string& p : encoded_pages) total += p.size();
    std::string out;
    out.reserve(total);
    out += "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";

    std::vector<std::size_t> offsets;
    offsets.reserve(objects);
    auto begin_object = [&](std::size_t number) {
        offsets.push_back(out.size());
        append_number(out, number);
        out += " 0 obj\n";
    };
    constexpr std::string_view kEnd = "\nendobj\n";

    // Catalog and page tree come first in the file although they are known last.
    begin_object(1);
    out += "<< /Type /Catalog /Pages 2 0 R >>";
    out += kEnd;
    begin_object(2);
    out += "<< /Type /Pages /Count ";
    append_number(out, pages);
    out += " /Kids [";
    for (std::size_t k = 0; k < pages; ++k) {
        append_number(out, 3 * k + 3);
        out += " 0 R ";
    }
    out += "] >>";
    out += kEnd;

    for (std::size_t k = 0; k < pages; ++k) {
        const std::size_t n = 3 * k + 2;
        begin_object(n + 1);
        out += "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595.2756 841.8898] /Resources << "
               "/XObject << /Im ";
        append_number(out, n + 2);
        out += " 0 R >> >> /Contents ";
        append_number(out, n + 3);
        out += " 0 R >>";
        out += kEnd;

        begin_object(n + 2);
        out += "<< /Type /XObject /Subtype /Image /Width 1191 /Height 1684 /ColorSpace /DeviceRGB "
               "/BitsPerComponent 8 /Filter /RunLengthDecode /Length ";
        append_number(out, encoded_pages[k].size());
        out += " >>\nstream\n";
        out += encoded_pages[k];
        out += "\nendstream";
        out += kEnd;

        begin_object(n + 3);
        out += "<< /Length ";
        append_number(out, kContent.size());
        out += " >>\nstream\n";
        out += kContent;
        out += "\nendstream";
        out += kEnd;
    }

    const std::size_t xref = out.size();
    out += "xref\n0 ";
    append_number(out, objects + 1);
    out += "\n0000000000 65535 f \n";
    for (std::size_t off : offsets) {
        // "%010llu 00000 n \n": 20 bytes per entry.
        char digits[24];
        auto r = std::to_chars(digits, digits + sizeof digits,
                               static_cast<unsigned long long>(off));
        auto len = static_cast<std::size_t>(r.ptr - digits);
        if (len < 10) out.append(10 - len, '0');
        out.append(digits, len);
        out += " 00000 n \n";
    }
    out += "trailer\n<< /Size ";
    append_number(out, objects + 1);
    out += " /Root 1 0 R >>\nstartxref\n";
    append_number(out, xref);
    out += "\n%%EOF\n";
    return out;
}

}  // namespace nv
