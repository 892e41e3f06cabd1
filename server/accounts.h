// The chart of accounts of the Chinese small-enterprise accounting standard (小企业会计准则).
#pragma once

#include <string>
#include <vector>

namespace srv {

struct Account {
    const char* code;
    const char* name;
};

const std::vector<Account>& chart_of_accounts();
// "1001 库存现金": what the client shows and sends back as a line's account.
std::string account_display(const Account& a);
bool is_known_account(const std::string& display);

}  // namespace srv
