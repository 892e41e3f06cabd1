#include "export/zip.h"

#include <stdexcept>

namespace nv {

uint32_t crc32(std::string_view data) {
    uint32_t crc = 0xFFFFFFFFu;
    for (char ch : data) {
        crc ^= static_cast<unsigned char>(ch);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

namespace {

void put16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

constexpr uint32_t kDosDate = 0x0021;  // 1980-01-01
constexpr uint32_t kDosTime = 0;       // 00:00:00

}  // namespace

std::string build_zip(const std::vector<ZipEntry>& entries) {
    constexpr uint64_t k4G = uint64_t{1} << 32;
    if (entries.size() > 0xFFFF)
        throw std::length_error("zip: too many entries");
    uint64_t total = 22;
    for (const ZipEntry& e : entries) {
        if (e.name.size() > 0xFFFF)
            throw std::length_error("zip: name too long");
        total += 30 + 46 + 2 * e.name.size() + e.data.size();
    }
    if (total >= k4G)
        throw std::length_error("zip: container too large");

    std::string out;
    std::string directory;
    out.reserve(static_cast<std::size_t>(total));
    for (const ZipEntry& e : entries) {
        const uint32_t crc = crc32(e.data);
        const auto size = static_cast<uint32_t>(e.data.size());
        const auto name_len = static_cast<uint32_t>(e.name.size());
        const auto offset = static_cast<uint32_t>(out.size());

        put32(out, 0x04034B50);
        put16(out, 20);  // version needed
        put16(out, 0);   // flags
        put16(out, 0);   // stored
        put16(out, kDosTime);
        put16(out, kDosDate);
        put32(out, crc);
        put32(out, size);
        put32(out, size);
        put16(out, name_len);
        put16(out, 0);  // extra field
        out += e.name;
        out += e.data;

        put32(directory, 0x02014B50);
        put16(directory, 20);  // version made by
        put16(directory, 20);  // version needed
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, kDosTime);
        put16(directory, kDosDate);
        put32(directory, crc);
        put32(directory, size);
        put32(directory, size);
        put16(directory, name_len);
        put16(directory, 0);  // extra field
        put16(directory, 0);  // comment
        put16(directory, 0);  // disk number start
        put16(directory, 0);  // internal attributes
        put32(directory, 0);  // external attributes
        put32(directory, offset);
        directory += e.name;
    }
    const auto directory_offset = static_cast<uint32_t>(out.size());
    out += directory;
    put32(out, 0x06054B50);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<uint32_t>(entries.size()));
    put16(out, static_cast<uint32_t>(entries.size()));
    put32(out, static_cast<uint32_t>(directory.size()));
    put32(out, directory_offset);
    put16(out, 0);
    return out;
}

}  // namespace nv
