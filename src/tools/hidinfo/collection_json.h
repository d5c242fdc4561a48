#pragma once
// The one-line JSON forms kelno-hidinfo prints.

#include <string>

#include "platform/hid/hid_types.h"

namespace kelno::tools {

// {"usage_page","usage","report_ids","input_len","output_len","feature_len"}:
// each *_len maps a report id (decimal, as a string) to the report's length
// in bytes.
std::string CollectionJsonLine(const hid::ReportCollection& collection);

// One enumerated collection: its path, ids, interface and collection
// numbers, the collection line's members and whether this user may open it.
std::string InterfaceJsonLine(const hid::InterfaceInfo& info);

}  // namespace kelno::tools
