// Run-length encoding of A4 page images (6,016,932 bytes) against memcpy of the same bytes, for
// a blank page and for a page of dense text-like content; then the peak memory of building a
// 500-page PDF from encoded text pages.
//
//   build/native/rle_bench [--benchmark_min_time=1]
#include <malloc.h>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "export/pdf_writer.h"

namespace {

std::string BlankPage() {
    return std::string(nv::kPdfPageBytes, '\xFF');
}

// Dense text: 40-pixel lines of 14-pixel "glyphs" made of strokes with grey anti-aliased
// edges, the way a rendered page of a delivery-note table looks to the encoder.
std::string TextPage() {
    std::string page(nv::kPdfPageBytes, '\xFF');
    uint32_t seed = 12345;
    auto rnd = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int line = 60; line + 30 < nv::kPdfPageHeight - 60; line += 40) {
        for (int x = 60; x + 14 < nv::kPdfPageWidth - 60; x += 15) {
            if (rnd() % 9 == 0)
                continue;  // spaces
            uint32_t shape = rnd();
            for (int y = 0; y < 26; ++y) {
                for (int dx = 0; dx < 14; ++dx) {
                    bool ink =
                        ((shape >> ((y / 4 + dx / 3) % 24)) & 1) && (dx % 5 != 4) && (y % 7 != 6);
                    if (!ink)
                        continue;
                    bool edge = dx % 5 == 0 || dx % 5 == 3;
                    auto v = static_cast<char>(edge ? 0x80 + (rnd() % 64) : 0x10);
                    std::size_t at = (static_cast<std::size_t>(line + y) * nv::kPdfPageWidth +
                                      static_cast<std::size_t>(x + dx)) *
                                     3;
                    page[at] = page[at + 1] = page[at + 2] = v;
                }
            }
        }
    }
    return page;
}

void BM_Memcpy(benchmark::State& state, std::string (*make)()) {
    std::string src = make();
    std::string dst(src.size(), '\0');
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}

void BM_Encode(benchmark::State& state, std::string (*make)()) {
    std::string src = make();
    std::size_t encoded = 0;
    for (auto _ : state) {
        std::string out = nv::run_length_encode(src);
        encoded = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["encoded_bytes"] = static_cast<double>(encoded);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}

BENCHMARK_CAPTURE(BM_Memcpy, blank, BlankPage)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Encode, blank, BlankPage)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Memcpy, text, TextPage)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Encode, text, TextPage)->Unit(benchmark::kMicrosecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                us_[r.benchmark_name()] = r.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> us_;
};

long PeakRssKb() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* enc, const char* copy) {
        return reporter.us_[enc] / reporter.us_[copy];
    };
    double blank = ratio("BM_Encode/blank", "BM_Memcpy/blank");
    double text = ratio("BM_Encode/text", "BM_Memcpy/text");
    std::printf("\nblank page: encode / memcpy = %.2f (goal <= 1)\n", blank);
    std::printf("text page:  encode / memcpy = %.2f (goal <= 5)\n", text);
    // Peak memory of a 500-page PDF from text pages, measured last: the fixed threshold set
    // here would otherwise make every benchmark iteration map fresh pages.
    // glibc raises its mmap threshold after large frees and then keeps freed blocks in its heap,
    // so released pages would not show as released; a fixed threshold gives every block above
    // 128 KB its own mapping, returned at once, as the Windows heap does for blocks above 512 KB.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    {
        long before = PeakRssKb();
        std::size_t encoded_total = 0, pdf_size = 0;
        {
            std::string raw = TextPage();  // one raw page at a time
            std::vector<std::string> pages;
            for (int i = 0; i < 500; ++i) {
                pages.push_back(nv::run_length_encode(raw));
                encoded_total += pages.back().size();
            }
            std::string pdf = nv::write_pdf(std::move(pages));
            pdf_size = pdf.size();
        }
        long peak = PeakRssKb() - before;
        std::printf(
            "500-page PDF: encoded pages %.1f MB, file %.1f MB, raw page %.1f MB, "
            "peak RSS growth %.1f MB (%.2f x encoded)\n",
            encoded_total / 1e6, pdf_size / 1e6, nv::kPdfPageBytes / 1e6, peak / 1e3,
            peak * 1e3 / static_cast<double>(encoded_total));
    }

    std::printf("rle: blank_vs_memcpy=%.2f text_vs_memcpy=%.2f\n", blank, text);
    benchmark::Shutdown();
    return 0;
}
