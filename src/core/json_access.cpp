#include "core/json_access.h"

#include <algorithm>
#include <limits>

namespace kelno::json {
namespace {

const Json::Value& NullValue() {
    static const Json::Value null;
    return null;
}

}  // namespace

const Json::Value& Member(const Json::Value& object, std::string_view key) {
    if (!object.isObject()) return NullValue();
    const Json::Value* found = object.find(key.data(), key.data() + key.size());
    return found != nullptr ? *found : NullValue();
}

const Json::Value& Element(const Json::Value& array, int64_t index) {
    if (!array.isArray() || index < 0 || index >= static_cast<int64_t>(array.size()))
        return NullValue();
    return array[static_cast<Json::ArrayIndex>(index)];
}

std::optional<int64_t> AsInt64(const Json::Value& value) {
    if (value.isBool() || !value.isNumeric()) return std::nullopt;
    if (!value.isInt64()) return std::nullopt;  // a fraction, or out of range
    return value.asInt64();
}

std::optional<int> AsInt(const Json::Value& value) {
    const auto wide = AsInt64(value);
    if (!wide || *wide < std::numeric_limits<int>::min() || *wide > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(*wide);
}

std::optional<bool> AsBool(const Json::Value& value) {
    if (value.isBool()) return value.asBool();
    if (value.isNumeric()) return value.asDouble() != 0.0;
    return std::nullopt;
}

std::optional<std::string> AsString(const Json::Value& value) {
    if (!value.isString()) return std::nullopt;
    return value.asString();
}

int ReadInt(const Json::Value& object, std::string_view key, int fallback) {
    return AsInt(Member(object, key)).value_or(fallback);
}

int64_t ReadInt64(const Json::Value& object, std::string_view key, int64_t fallback) {
    return AsInt64(Member(object, key)).value_or(fallback);
}

bool ReadBool(const Json::Value& object, std::string_view key, bool fallback) {
    return AsBool(Member(object, key)).value_or(fallback);
}

double ReadDouble(const Json::Value& object, std::string_view key, double fallback) {
    const Json::Value& value = Member(object, key);
    if (value.isBool() || !value.isNumeric()) return fallback;
    return value.asDouble();
}

std::string ReadString(const Json::Value& object, std::string_view key, std::string_view fallback) {
    return AsString(Member(object, key)).value_or(std::string(fallback));
}

int ReadClampedInt(const Json::Value& object, std::string_view key, int low, int high,
                   int fallback) {
    const auto wide = AsInt64(Member(object, key));
    const int64_t value = wide.value_or(fallback);
    return static_cast<int>(std::clamp<int64_t>(value, low, high));
}

std::optional<int> ReadIndex(const Json::Value& object, std::string_view key, int64_t size) {
    const auto value = AsInt(Member(object, key));
    if (!value || *value < 0 || *value >= size) return std::nullopt;
    return *value;
}

int ReadArraySize(const Json::Value& object, std::string_view key, int limit) {
    const Json::Value& value = Member(object, key);
    if (!value.isArray()) return 0;
    return static_cast<int>(std::min<Json::ArrayIndex>(value.size(), static_cast<Json::ArrayIndex>(std::max(limit, 0))));
}

Json::Value& MutableMember(Json::Value& object, std::string_view key) {
    if (!object.isObject()) object = Json::Value(Json::objectValue);
    return object[std::string(key)];
}

Json::Value& MutableElement(Json::Value& array, Json::ArrayIndex index) {
    if (!array.isArray()) array = Json::Value(Json::arrayValue);
    return array[index];
}

}  // namespace kelno::json
