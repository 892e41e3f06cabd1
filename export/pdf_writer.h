// The PDF of an A4 export: one full-page RGB image per page, compressed with the PDF
// standard's run-length filter, plus catalog, page tree, cross-reference table and trailer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nv {

inline constexpr int kPdfPageWidth = 1191;  // pixels of an A4 page image
inline constexpr int kPdfPageHeight = 1684;
inline constexpr std::size_t kPdfPageBytes = std::size_t{kPdfPageWidth} * kPdfPageHeight * 3;

// RunLengthDecode encoding: runs of 3 to 128 equal bytes as (257 − n, byte), everything else
// in literals of at most 128 bytes, then the end byte 128. Appends to `out`.
void run_length_encode(std::string_view in, std::string& out);
std::string run_length_encode(std::string_view in);

// A complete PDF 1.4 file from run-length encoded page images (1191 × 1684 RGB, rows from the
// top), each scaled to a full A4 page. The pages are consumed: each is released as soon as it
// is copied into the file, so a long document is held about once, not twice.
std::string write_pdf(std::vector<std::string> encoded_pages);

}  // namespace nv
