// Demo data for a new data folder: an enterprise and a personal account with realistic LED
// delivery notes, two shards, two tenants and some vouchers.
#pragma once

#include <string>

namespace srv {

class Store;

// Seeds `store` and returns the text that tells the operator which accounts were made.
std::string seed_demo(Store& store);

}  // namespace srv
