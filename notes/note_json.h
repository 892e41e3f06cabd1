// How the data service's JSON maps onto the delivery-note records.
#pragma once

#include "base/json.h"
#include "notes/records.h"

namespace nv {

// One element of a list answer's "data" as a note. A non-object gives a note with defaults
// only (status 待送达). The date keeps its first ten characters ("2025-03-01T08:00:00Z" →
// "2025-03-01"); numbers sent as strings are converted.
DeliveryNote note_from_json(const JsonValue& element);

}  // namespace nv
