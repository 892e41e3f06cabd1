#include "export/pdf_writer.h"

#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>

namespace nv {

namespace {

// The scans below look at eight bytes at a time; byte order is little-endian on every target.
uint64_t load64(const unsigned char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// Bytes equal to p[0] from p on, at most `max`.
std::size_t run_from(const unsigned char* p, std::size_t max) {
    const uint64_t pattern = p[0] * 0x0101010101010101ull;
    std::size_t k = 0;
    // Most runs of a text page end within eight bytes: one load tells.
    if (max >= 8) {
        uint64_t diff = load64(p) ^ pattern;
        if (diff)
            return static_cast<std::size_t>(std::countr_zero(diff)) / 8;
        k = 8;
    }
    // The rest of a whole run of 128 (the blank parts of a page) 64 bytes at a time.
    if (max == 128) {
        const __m128i wide = _mm_set1_epi8(static_cast<char>(p[0]));
        auto equal = [&](std::size_t at) {
            return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)), wide);
        };
        // Bytes 8 to 127 in sixteen-byte loads, the last one overlapping its neighbour.
        __m128i first =
            _mm_and_si128(_mm_and_si128(equal(8), equal(24)), _mm_and_si128(equal(40), equal(56)));
        if (_mm_movemask_epi8(first) == 0xFFFF) {
            __m128i second = _mm_and_si128(_mm_and_si128(equal(72), equal(88)),
                                           _mm_and_si128(equal(104), equal(112)));
            if (_mm_movemask_epi8(second) == 0xFFFF)
                return 128;
        }
    }
    for (; k + 8 <= max; k += 8) {
        uint64_t diff = load64(p + k) ^ pattern;
        if (diff)
            return k + static_cast<std::size_t>(std::countr_zero(diff)) / 8;
    }
    while (k < max && p[k] == p[0]) ++k;
    return k;
}

// First position in [i, limit) at which three equal bytes start (within the n bytes of `p`),
// or `limit`.
std::size_t next_triple(const unsigned char* p, std::size_t i, std::size_t limit, std::size_t n) {
    constexpr uint64_t kLow = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
    while (i < limit && i + 10 <= n) {
        // A zero byte b of d means p[i+b] == p[i+b+1] == p[i+b+2]. The lowest flagged byte
        // of the classic zero-byte test is always a true zero.
        uint64_t w0 = load64(p + i), w1 = load64(p + i + 1), w2 = load64(p + i + 2);
        uint64_t d = (w0 ^ w1) | (w1 ^ w2);
        uint64_t zero = (d - kLow) & ~d & kHigh;
        if (zero) {
            std::size_t at = i + static_cast<std::size_t>(std::countr_zero(zero)) / 8;
            return at < limit ? at : limit;
        }
        i += 8;
    }
    for (; i < limit; ++i) {
        if (i + 2 < n && p[i] == p[i + 1] && p[i] == p[i + 2])
            return i;
    }
    return limit;
}

}  // namespace

void run_length_encode(std::string_view in, std::string& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    // Encode into a scratch buffer of the worst-case size (a literal byte per 128 input bytes,
    // plus the end byte), kept per thread between pages, then append the result in one piece:
    // per-byte appends to the string cost more than the scan itself.
    thread_local std::unique_ptr<unsigned char[]> scratch;
    thread_local std::size_t scratch_size = 0;
    const std::size_t worst = n + n / 128 + 2;
    if (scratch_size < worst) {
        scratch.reset(new unsigned char[worst]);
        scratch_size = worst;
    }
    unsigned char* o = scratch.get();
    std::size_t i = 0;
    while (i < n) {
        std::size_t r = run_from(p + i, std::min<std::size_t>(128, n - i));
        if (r >= 3) {
            // 257 - r: 254 for a run of 3, 129 for 128.
            *o++ = static_cast<unsigned char>(257 - r);
            *o++ = p[i];
            i += r;
            continue;
        }
        // A literal: the one or two bytes seen, extended up to 128 bytes or until three equal
        // bytes start. A pair of equal bytes at the very end stays in the literal.
        std::size_t s = i;
        i = next_triple(p, s + r, std::min(n, s + 128), n);
        *o++ = static_cast<unsigned char>(i - s - 1);
        std::memcpy(o, p + s, i - s);
        o += i - s;
    }
    *o++ = 128;
    out.append(reinterpret_cast<const char*>(scratch.get()),
               static_cast<std::size_t>(o - scratch.get()));
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

std::string write_pdf(std::vector<std::string> encoded_pages) {
    static constexpr std::string_view kContent = "q 595.2756 0 0 841.8898 0 0 cm /Im Do Q";
    const std::size_t pages = encoded_pages.size();
    const std::size_t objects = 2 + 3 * pages;

    // Every object's own text is well under 200 bytes; the estimate must not fall short, or the
    // string would regrow and copy the whole file.
    std::size_t total = 200 * objects + 256;
    for (const std::string& p : encoded_pages) total += p.size();
    // Reserved once; the memory is only touched as the pages are copied in.
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
        out +=
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595.2756 841.8898] /Resources << "
            "/XObject << /Im ";
        append_number(out, n + 2);
        out += " 0 R >> >> /Contents ";
        append_number(out, n + 3);
        out += " 0 R >>";
        out += kEnd;

        begin_object(n + 2);
        out +=
            "<< /Type /XObject /Subtype /Image /Width 1191 /Height 1684 /ColorSpace /DeviceRGB "
            "/BitsPerComponent 8 /Filter /RunLengthDecode /Length ";
        append_number(out, encoded_pages[k].size());
        out += " >>\nstream\n";
        out += encoded_pages[k];
        std::string().swap(encoded_pages[k]);
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
        auto r =
            std::to_chars(digits, digits + sizeof digits, static_cast<unsigned long long>(off));
        auto len = static_cast<std::size_t>(r.ptr - digits);
        if (len < 10)
            out.append(10 - len, '0');
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
