// A statement of account (对账单): every delivery note of one customer in a period, with the
// sums both sides sign. Amounts in whole cents (line_cents).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "notes/records.h"

namespace nv {

struct StatementQuery {
    std::u16string customer;  // matched exactly
    std::u16string from, to;  // "yyyy-mm-dd", both included
    std::u16string status;    // empty: every status
};

struct Statement {
    StatementQuery query;
    std::vector<DeliveryNote> notes;  // by date, then number
    int64_t total_cents = 0;
};

// The first and the last day of the month before `today`.
std::pair<std::u16string, std::u16string> previous_month(const LocalTime& today);

// The notes of the query. Nothing, with `error` set, for a date that is not a real
// "yyyy-mm-dd" or a period whose end is before its start. A customer without notes in the
// period gives an empty statement.
std::optional<Statement> make_statement(const std::vector<DeliveryNote>& notes,
                                        const StatementQuery& query, std::u16string& error);

// "2026-11-01 至 2026-11-30", for the documents.
std::u16string statement_period(const StatementQuery& query);

}  // namespace nv
