// A stored (uncompressed) zip container, built in memory, byte for byte reproducible: every
// entry carries the fixed time stamp 1980-01-01 00:00.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nv {

struct ZipEntry {
    std::string name;  // "/"-separated path, UTF-8
    std::string data;  // stored as is
};

// The CRC-32 of zip (reflected polynomial 0xEDB88320); 0 for no data.
uint32_t crc32(std::string_view data);

// The size of the local header that build_zip writes before the entry's data: what a package's
// block map records for each file.
inline std::size_t zip_local_header_size(const ZipEntry& entry) {
    return 30 + entry.name.size();
}

// The whole zip file, entries in list order. There are no ZIP64 records, so input that the
// format cannot hold (an entry or the file at 4 GiB or more, a name over 65535 bytes, more than
// 65535 entries) throws std::length_error instead of writing a corrupt container.
std::string build_zip(const std::vector<ZipEntry>& entries);

}  // namespace nv
