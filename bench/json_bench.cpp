// Parsing a large list answer of the data service: 10,000 delivery notes with 3 items each,
// about 9 MB of UTF-8. Our parser starts from the UTF-8 bytes as the HTTP client receives them
// (a copy of them, which the document then owns, is counted) and ends with the document;
// RapidJSON's DOM, nlohmann::json and simdjson's DOM parse the same bytes in the same run. The
// peak heap of each tree is reported against the text size. The last line sums up the ratios.
//
//   build/native/json_bench [--benchmark_min_time=2]
#include <malloc.h>

#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <string>

#include "base/json.h"
#include "base/text.h"

#ifdef NV_BENCH_PEERS
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#endif
#ifdef NV_BENCH_SIMDJSON
#include <simdjson.h>
#endif

// ---- heap accounting -------------------------------------------------------------------------

namespace {
std::atomic<bool> g_track{false};  // accounting runs only while a peak is measured
std::atomic<long long> g_live{0};
std::atomic<long long> g_peak{0};

void note_alloc(void* p) {
    if (!p || !g_track.load(std::memory_order_relaxed))
        return;
    long long now = g_live += static_cast<long long>(malloc_usable_size(p));
    long long peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
}
}  // namespace

void* operator new(std::size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    note_alloc(p);
    return p;
}
void operator delete(void* p) noexcept {
    if (p && g_track.load(std::memory_order_relaxed))
        g_live -= static_cast<long long>(malloc_usable_size(p));
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

// ---- the answer ------------------------------------------------------------------------------

namespace {

const char* const kCustomers[] = {"澄岚映辉照明工程有限公司", "深圳市光年科技有限公司",
                                  "佛山照明城新区店",         "东莞市明辉装饰工程部",
                                  "广州天河灯饰批发中心",     "中山古镇灯具市场一档"};
const char* const kProjects[] = {"碧桂园凤凰城三期",     "万科城市花园", "华润中心写字楼",
                                 "保利天悦二期地下车库", "恒大御景半岛", "龙湖天街商场"};
const char* const kProducts[] = {"LED灯带",   "LED筒灯",   "LED面板灯", "LED吸顶灯",
                                 "LED投光灯", "LED线条灯", "感应灯管"};
const char* const kModels[] = {"NV-2835-120", "TD-7W-3000K", "MB-600x600", "XD-24W",
                               "TG-50W-IP65", "XT-1200",     "GY-T8-18W"};

std::string BuildAnswer(int notes) {
    uint32_t seed = 20261206;
    auto rnd = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    std::string s = "{\"success\":true,\"message\":\"ok\",\"data\":[";
    char buf[256];
    for (int i = 0; i < notes; ++i) {
        if (i)
            s += ',';
        std::snprintf(
            buf, sizeof buf,
            "{\"id\":%d,\"no\":\"SHD2026%02u%02u%02u%02u%02u\",\"userId\":\"USER_1700000000000\",",
            100000 + i, 1 + rnd(12), 1 + rnd(28), rnd(24), rnd(60), rnd(60));
        s += buf;
        s += "\"customer\":\"";
        s += kCustomers[rnd(6)];
        s += "\",\"project\":\"";
        s += kProjects[rnd(6)];
        s += "\",\"address\":\"广东省深圳市南山区科技园南区高新南七道";
        s += std::to_string(1 + rnd(99));
        s += "号\",\"contact\":\"王先生\",\"contactPhone\":\"1380013";
        s += std::to_string(1000 + rnd(9000));
        std::snprintf(buf, sizeof buf, "\",\"date\":\"2026-%02u-%02uT08:30:00.000Z\",", 1 + rnd(12),
                      1 + rnd(28));
        s += buf;
        s += rnd(3) ? "\"status\":\"待送达\"," : "\"status\":\"已送达\",";
        s += "\"remark\":\"请于上午送达，卸货需叉车；\\n联系前请先电话确认。\",\"items\":[";
        for (int k = 0; k < 3; ++k) {
            if (k)
                s += ',';
            s += "{\"product\":\"";
            s += kProducts[rnd(7)];
            s += "\",\"model\":\"";
            s += kModels[rnd(7)];
            std::snprintf(buf, sizeof buf,
                          "\",\"length\":\"%um\",\"wattage\":\"%uW\",\"brightness\":\"%s\","
                          "\"sensorMode\":\"%s\",\"unit\":\"%s\",",
                          1 + rnd(50), 3 + rnd(60), rnd(2) ? "单亮" : "双亮",
                          rnd(2) ? "雷达感应" : "无", rnd(2) ? "个" : "米");
            s += buf;
            unsigned q = 1 + rnd(500);
            unsigned cents = 100 + rnd(99900);
            if (rnd(8) == 0) {  // some services send numbers as strings
                std::snprintf(buf, sizeof buf, "\"quantity\":\"%u\",\"price\":\"%u.%02u\"}", q,
                              cents / 100, cents % 100);
            } else {
                std::snprintf(buf, sizeof buf, "\"quantity\":%u,\"price\":%u.%02u}", q, cents / 100,
                              cents % 100);
            }
            s += buf;
        }
        s += "]}";
    }
    s += "]}";
    return s;
}

const std::string& Answer() {
    static const std::string answer = BuildAnswer(10000);
    return answer;
}

void BM_Norvane(benchmark::State& state) {
    const std::string& text = Answer();
    for (auto _ : state) {
        nv::JsonValue tree;
        if (!nv::json_parse(text, tree))
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(tree);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Norvane)->Unit(benchmark::kMillisecond);

#ifdef NV_BENCH_PEERS
// RapidJSON allocates with malloc directly; this base allocator lets its heap be counted too.
struct CountingAllocator {
    static const bool kNeedFree = true;
    void* Malloc(size_t size) {
        if (!size)
            return nullptr;
        void* p = std::malloc(size);
        note_alloc(p);
        return p;
    }
    void* Realloc(void* old, size_t, size_t size) {
        if (old && g_track)
            g_live -= static_cast<long long>(malloc_usable_size(old));
        if (!size) {
            std::free(old);
            return nullptr;
        }
        void* p = std::realloc(old, size);
        note_alloc(p);
        return p;
    }
    static void Free(void* p) {
        if (p && g_track)
            g_live -= static_cast<long long>(malloc_usable_size(p));
        std::free(p);
    }
};
using CountedDocument =
    rapidjson::GenericDocument<rapidjson::UTF8<>, rapidjson::MemoryPoolAllocator<CountingAllocator>,
                               CountingAllocator>;

void BM_RapidJSON(benchmark::State& state) {
    const std::string& text = Answer();
    for (auto _ : state) {
        rapidjson::Document doc;
        doc.Parse(text.data(), text.size());
        if (doc.HasParseError())
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_RapidJSON)->Unit(benchmark::kMillisecond);

void BM_Nlohmann(benchmark::State& state) {
    const std::string& text = Answer();
    for (auto _ : state) {
        auto doc = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Nlohmann)->Unit(benchmark::kMillisecond);
#endif

#ifdef NV_BENCH_SIMDJSON
// The upper anchor: simdjson's DOM, with the padded copy of the text it needs counted.
void BM_Simdjson(benchmark::State& state) {
    const std::string& text = Answer();
    simdjson::dom::parser parser;
    for (auto _ : state) {
        simdjson::padded_string padded(text);
        simdjson::dom::element doc;
        if (parser.parse(padded).get(doc))
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Simdjson)->Unit(benchmark::kMillisecond);
#endif

// Collects the real time of each benchmark so that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                ms_[r.benchmark_name()] = r.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> ms_;
};

template <typename Fn>
long long PeakHeap(Fn fn) {
    long long base = g_live.load();
    g_peak = base;
    g_track = true;
    fn();
    g_track = false;
    return g_peak.load() - base;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const std::string& text = Answer();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    double mb = static_cast<double>(text.size()) / 1e6;
    std::printf("\ninput: %zu bytes of UTF-8 (10000 notes x 3 items)\n", text.size());
    auto rate = [&](const char* name) {
        auto it = reporter.ms_.find(name);
        return it == reporter.ms_.end() ? 0.0 : mb / (it->second / 1000.0);
    };
    double ours = rate("BM_Norvane");
    std::printf("norvane   %8.1f MB/s\n", ours);
    double rj = 0, nl = 0, sj = 0;
#ifdef NV_BENCH_PEERS
    rj = rate("BM_RapidJSON"), nl = rate("BM_Nlohmann");
    std::printf("rapidjson %8.1f MB/s   norvane/rapidjson = %.2f (goal >= 0.70)\n", rj, ours / rj);
    std::printf("nlohmann  %8.1f MB/s   norvane/nlohmann  = %.2f (goal >= 4.00)\n", nl, ours / nl);
#endif
#ifdef NV_BENCH_SIMDJSON
    sj = rate("BM_Simdjson");
    std::printf("simdjson  %8.1f MB/s   norvane/simdjson  = %.2f (no goal)\n", sj, ours / sj);
#endif

    nv::JsonValue kept;  // the tree stays alive at the end of the measurement
    long long ours_peak = PeakHeap([&] {
        if (!nv::json_parse(text, kept))
            std::abort();
    });
    std::printf("peak heap: norvane %.1f MB (%.2f x text, its copy of the text included)\n",
                ours_peak / 1e6, ours_peak / static_cast<double>(text.size()));
#ifdef NV_BENCH_PEERS
    long long rj_peak = PeakHeap([&] {
        CountedDocument doc;
        doc.Parse(text.data(), text.size());
    });
    long long nl_peak = PeakHeap([&] { auto doc = nlohmann::json::parse(text); });
    std::printf("peak heap: rapidjson %.1f MB (%.2f x text), nlohmann %.1f MB (%.2f x text)\n",
                rj_peak / 1e6, rj_peak / static_cast<double>(text.size()), nl_peak / 1e6,
                nl_peak / static_cast<double>(text.size()));
#endif
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("json: vs_rapidjson=%.2f vs_nlohmann=%.2f vs_simdjson=%.2f heap_per_text=%.2f\n",
                ratio(ours, rj), ratio(ours, nl), ratio(ours, sj),
                ours_peak / static_cast<double>(text.size()));
    benchmark::Shutdown();
    return 0;
}
