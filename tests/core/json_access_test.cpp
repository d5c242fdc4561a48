#include "core/json_access.h"

#include <gtest/gtest.h>

#include "core/json_file.h"

namespace kelno::json {
namespace {

// One object holding a member of every JSON type, read with every typed read.
const Json::Value& Sample() {
    static const Json::Value sample = ParseJsonText(R"({
        "int": 7, "negative": -3, "big": 5000000000, "real": 2.5, "whole_real": 4.0,
        "true": true, "false": false, "string": "text", "null": null,
        "array": [1, 2, 3], "object": {"a": 1}
    })");
    return sample;
}

TEST(JsonAccess, WrongTypedMembersReadAsMissing) {
    struct Case {
        const char* key;
        std::optional<int> asInt;
        std::optional<bool> asBool;
        std::optional<std::string> asString;
    };
    const Case cases[] = {
        {"int", 7, true, std::nullopt},
        {"negative", -3, true, std::nullopt},
        {"big", std::nullopt, true, std::nullopt},
        {"real", std::nullopt, true, std::nullopt},
        {"whole_real", 4, true, std::nullopt},
        {"true", std::nullopt, true, std::nullopt},
        {"false", std::nullopt, false, std::nullopt},
        {"string", std::nullopt, std::nullopt, "text"},
        {"null", std::nullopt, std::nullopt, std::nullopt},
        {"array", std::nullopt, std::nullopt, std::nullopt},
        {"object", std::nullopt, std::nullopt, std::nullopt},
        {"missing", std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadInt(Sample(), c.key, -99), c.asInt.value_or(-99)) << c.key;
        EXPECT_EQ(ReadBool(Sample(), c.key, true), c.asBool.value_or(true)) << c.key;
        EXPECT_EQ(ReadBool(Sample(), c.key, false), c.asBool.value_or(false)) << c.key;
        EXPECT_EQ(ReadString(Sample(), c.key, "fallback"), c.asString.value_or("fallback")) << c.key;
    }
    EXPECT_EQ(ReadInt64(Sample(), "big"), 5000000000LL);
    EXPECT_EQ(ReadInt64(Sample(), "string", 1), 1);
    EXPECT_EQ(ReadDouble(Sample(), "real"), 2.5);
    EXPECT_EQ(ReadDouble(Sample(), "true", 9.0), 9.0);
    EXPECT_EQ(ReadDouble(Sample(), "string", 9.0), 9.0);
}

TEST(JsonAccess, ReadsFromNonObjectsNeverThrow) {
    const Json::Value notObjects[] = {Json::Value(), Json::Value(3), Json::Value("s"),
                                      Json::Value(Json::arrayValue), Json::Value(true)};
    for (const auto& value : notObjects) {
        EXPECT_NO_THROW({
            EXPECT_TRUE(Member(value, "x").isNull());
            EXPECT_EQ(ReadInt(value, "x", 5), 5);
            EXPECT_EQ(ReadString(value, "x"), "");
            EXPECT_TRUE(Element(value, 0).isNull());
        });
    }
}

TEST(JsonAccess, ElementIsBounded) {
    const Json::Value& array = Member(Sample(), "array");
    EXPECT_EQ(AsInt(Element(array, 0)), 1);
    EXPECT_EQ(AsInt(Element(array, 2)), 3);
    EXPECT_TRUE(Element(array, 3).isNull());
    EXPECT_TRUE(Element(array, -1).isNull());
    EXPECT_TRUE(Element(array, 1LL << 40).isNull());
    EXPECT_EQ(array.size(), 3u) << "a read past the end must not grow the array";
}

TEST(JsonAccess, IndexesFromFilesAreBounded) {
    const Json::Value object = ParseJsonText(
        R"({"sel": 2, "neg": -1, "huge": 4294967296, "text": "1", "real": 1.5})");
    EXPECT_EQ(ReadIndex(object, "sel", 3), 2);
    EXPECT_EQ(ReadIndex(object, "sel", 2), std::nullopt);
    EXPECT_EQ(ReadIndex(object, "neg", 3), std::nullopt);
    EXPECT_EQ(ReadIndex(object, "huge", 1LL << 40), std::nullopt) << "does not fit an int";
    EXPECT_EQ(ReadIndex(object, "text", 3), std::nullopt);
    EXPECT_EQ(ReadIndex(object, "real", 3), std::nullopt);
    EXPECT_EQ(ReadIndex(object, "missing", 3), std::nullopt);
}

TEST(JsonAccess, ClampedReadsAndArraySizes) {
    const Json::Value object =
        ParseJsonText(R"({"low": -5, "high": 300, "mid": 7, "huge": 1e300, "list": [1,2,3,4]})");
    EXPECT_EQ(ReadClampedInt(object, "low", 0, 255), 0);
    EXPECT_EQ(ReadClampedInt(object, "high", 0, 255), 255);
    EXPECT_EQ(ReadClampedInt(object, "mid", 0, 255), 7);
    EXPECT_EQ(ReadClampedInt(object, "huge", 0, 255, 9), 9) << "not an integer";
    EXPECT_EQ(ReadClampedInt(object, "missing", 1, 5, 100), 5) << "fallback is clamped too";
    EXPECT_EQ(ReadArraySize(object, "list", 10), 4);
    EXPECT_EQ(ReadArraySize(object, "list", 2), 2);
    EXPECT_EQ(ReadArraySize(object, "mid", 10), 0);
}

}  // namespace
}  // namespace kelno::json

namespace kelno::json {
namespace {

TEST(JsonAccess, MutableAccessReplacesValuesOfTheWrongKind) {
    Json::Value root = ParseJsonText(R"({"Device": 5, "keep": 1})");
    MutableMember(MutableElement(MutableMember(root, "Device"), 0), "LightInfo") = 3;
    EXPECT_EQ(root["Device"][0]["LightInfo"].asInt(), 3);
    EXPECT_EQ(root["keep"].asInt(), 1);

    Json::Value notObject("text");
    EXPECT_NO_THROW(MutableMember(notObject, "a") = 1);
    EXPECT_EQ(notObject["a"].asInt(), 1);
}

}  // namespace
}  // namespace kelno::json
