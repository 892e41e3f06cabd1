#include "notes/statement.h"

#include <algorithm>

#include "base/text.h"

namespace nv {

namespace {

bool real_date(std::u16string_view d) {
    if (d.size() != 10 || d[4] != u'-' || d[7] != u'-')
        return false;
    int v[3] = {0, 0, 0};
    const std::size_t at[3] = {0, 5, 8}, len[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p) {
        for (std::size_t i = at[p]; i < at[p] + len[p]; ++i) {
            if (d[i] < u'0' || d[i] > u'9')
                return false;
            v[p] = v[p] * 10 + (d[i] - u'0');
        }
    }
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (v[0] % 4 == 0 && v[0] % 100 != 0) || v[0] % 400 == 0;
    return v[0] >= 1900 && v[1] >= 1 && v[1] <= 12 && v[2] >= 1 &&
           v[2] <= kDays[v[1] - 1] + (v[1] == 2 && leap);
}

std::u16string two(int v) {
    return (v < 10 ? u"0" : u"") + format_int(v);
}

}  // namespace

std::pair<std::u16string, std::u16string> previous_month(const LocalTime& today) {
    int y = today.year, m = today.month - 1;
    if (m == 0) {
        m = 12;
        --y;
    }
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    int last = kDays[m - 1] + (m == 2 && leap);
    std::u16string month = format_int(y) + u"-" + two(m) + u"-";
    return {month + u"01", month + two(last)};
}

std::optional<Statement> make_statement(const std::vector<DeliveryNote>& notes,
                                        const StatementQuery& query, std::u16string& error) {
    if (!real_date(query.from) || !real_date(query.to)) {
        error = u"请输入有效日期（YYYY-MM-DD）";
        return std::nullopt;
    }
    if (query.to < query.from) {
        error = u"结束日期早于开始日期，请重新选择对账期间";
        return std::nullopt;
    }
    Statement s{query, {}, 0};
    for (const DeliveryNote& n : notes) {
        if (n.customer != query.customer || n.date < query.from || n.date > query.to)
            continue;
        if (!query.status.empty() && n.status != query.status)
            continue;
        s.notes.push_back(n);
        s.total_cents += note_cents(n);
    }
    std::stable_sort(s.notes.begin(), s.notes.end(), [](const auto& a, const auto& b) {
        return a.date != b.date ? a.date < b.date : a.number < b.number;
    });
    return s;
}

std::u16string statement_period(const StatementQuery& query) {
    return query.from + u" 至 " + query.to;
}

}  // namespace nv
