#pragma once
// Safe reads from JSON trees that came from files, devices or other programs.
// Nothing here throws: a member of the wrong type counts as missing and the
// default is returned, and indexes taken from a file are bounded before use.

#include <json/value.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelno::json {

// The member `key` of `object`, or a null value when `object` is not an
// object or has no such member.
const Json::Value& Member(const Json::Value& object, std::string_view key);

// Element `index` of `array`, or a null value when `array` is not an array
// or the index is outside it.
const Json::Value& Element(const Json::Value& array, int64_t index);

// Typed reads of a member. Integers accept integral numbers that fit the
// result type; a double with a fraction, a string or a bool is the wrong type.
int ReadInt(const Json::Value& object, std::string_view key, int fallback = 0);
int64_t ReadInt64(const Json::Value& object, std::string_view key, int64_t fallback = 0);
// Booleans accept true/false and numbers (non-zero is true), as the stored
// files write flags as 0 or 1.
bool ReadBool(const Json::Value& object, std::string_view key, bool fallback = false);
double ReadDouble(const Json::Value& object, std::string_view key, double fallback = 0.0);
std::string ReadString(const Json::Value& object, std::string_view key,
                       std::string_view fallback = {});

// The same reads on a value itself (for array elements).
std::optional<int64_t> AsInt64(const Json::Value& value);
std::optional<int> AsInt(const Json::Value& value);
std::optional<bool> AsBool(const Json::Value& value);
std::optional<std::string> AsString(const Json::Value& value);

// An integer member clamped into [low, high]; a missing or wrong-typed member
// gives `fallback` (which is clamped too).
int ReadClampedInt(const Json::Value& object, std::string_view key, int low, int high,
                   int fallback = 0);

// An index read from a file: the member as an integer when it lies in
// [0, size), otherwise nothing.
std::optional<int> ReadIndex(const Json::Value& object, std::string_view key, int64_t size);

// Array size of a member, 0 when it is not an array; never larger than
// `limit`, so a hostile file cannot make callers grow without bound.
int ReadArraySize(const Json::Value& object, std::string_view key, int limit);

// Writable access for code that builds or patches trees. A value of the
// wrong kind (e.g. a number where an object belongs) is replaced, since its
// content could not be used anyway; jsoncpp itself would throw there.
Json::Value& MutableMember(Json::Value& object, std::string_view key);
// `index` must already be bounded by the caller; the array grows to hold it.
Json::Value& MutableElement(Json::Value& array, Json::ArrayIndex index);

}  // namespace kelno::json
