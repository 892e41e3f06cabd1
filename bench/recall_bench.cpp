// The editor's proposals over 10,000 notes of 3 items each: what one keystroke in the customer
// or product box costs (prefixes and pinyin initials), and the work done once per load.
//
//   build/native/recall_bench
#include <benchmark/benchmark.h>
#include <random>
#include <string>
#include <vector>

#include "base/text.h"
#include "notes/recall.h"

namespace {

// `distinct`: every note of a customer of its own (the worst case for a keystroke); else a few
// large customers and a tail of one-off names.
std::vector<nv::DeliveryNote> Notes(bool distinct = false) {
    const std::u16string customers[] = {u"深圳市光年装饰工程有限公司", u"佛山照明城新区店",
                                        u"华润中心物业管理处",         u"东莞市明辉装饰工程部",
                                        u"广州天河灯饰批发中心",       u"中山古镇灯具市场一档"};
    const std::u16string products[] = {u"LED灯带", u"LED筒灯", u"LED面板灯", u"感应灯管"};
    std::mt19937 rnd(7);
    std::vector<nv::DeliveryNote> notes(10000);
    for (std::size_t i = 0; i < notes.size(); ++i) {
        nv::DeliveryNote& n = notes[i];
        n.id = static_cast<int32_t>(i + 1);
        n.customer = customers[rnd() % 6];
        if (distinct || i % 4 == 0)
            n.customer += nv::format_int(static_cast<int64_t>(distinct ? i : i % 260));
        n.date = u"2026-" + std::u16string(1, u'0' + i % 10) + u"-01";
        n.address = u"广东省深圳市南山区科技园";
        for (int k = 0; k < 3; ++k) {
            nv::Item it;
            it.product = products[rnd() % 4] + std::u16string(1, u'A' + (i + k) % 26);
            it.unit = u"个";
            it.price = 12.5;
            n.items.push_back(it);
        }
    }
    return notes;
}

void BM_Load(benchmark::State& state) {
    std::vector<nv::DeliveryNote> notes = Notes();
    nv::Recall recall;
    for (auto _ : state) recall.load(notes);
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

void BM_Keystroke(benchmark::State& state, bool customer, std::u16string typed,
                  bool distinct = false) {
    nv::Recall recall;
    recall.load(Notes(distinct));
    for (auto _ : state) {
        auto found = customer ? recall.customers(typed) : recall.products(typed);
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK_CAPTURE(BM_Keystroke, customer_prefix, true, u"广")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Keystroke, customer_initials, true, u"gzth")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Keystroke, customer_no_match, true, u"xyzq")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Keystroke, distinct_customers_initials, true, u"gzth", true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Keystroke, distinct_customers_no_match, true, u"xyzq", true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Keystroke, product_prefix, false, u"LED")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Keystroke, product_initials, false, u"gd")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
