// Compact JSON text of a Json::Value, without the standard streams.
#pragma once

#include <json/value.h>

#include <string>

namespace report {

// The same bytes as Json::FastWriter::write: members in the value's (sorted)
// order, no spaces, strings escaped to ASCII (\uXXXX, surrogate pairs above the
// BMP, U+FFFD for malformed UTF-8), doubles as %.17g, a final '\n'.
std::string WriteCompactJson(const Json::Value& value);

}  // namespace report
