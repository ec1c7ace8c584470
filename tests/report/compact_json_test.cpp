// The report's compact writer against JsonCpp's own FastWriter: the log server
// has always received FastWriter's bytes, so every value must come out the same.
#include "report/compact_json.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
std::string FastWriterText(const Json::Value& value) {
    Json::FastWriter writer;
    return writer.write(value);
}
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

void ExpectSameAsFastWriter(const Json::Value& value) {
    EXPECT_EQ(FastWriterText(value), report::WriteCompactJson(value));
}

std::string Bytes(std::initializer_list<unsigned char> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(JsonCompact, ScalarsAndNumbers) {
    ExpectSameAsFastWriter(Json::Value());
    ExpectSameAsFastWriter(Json::Value(true));
    ExpectSameAsFastWriter(Json::Value(false));
    ExpectSameAsFastWriter(Json::Value(0));
    ExpectSameAsFastWriter(Json::Value(-1));
    ExpectSameAsFastWriter(Json::Value(10087));
    ExpectSameAsFastWriter(Json::Value(std::numeric_limits<Json::Int64>::min()));
    ExpectSameAsFastWriter(Json::Value(std::numeric_limits<Json::Int64>::max()));
    ExpectSameAsFastWriter(Json::Value(std::numeric_limits<Json::UInt64>::max()));
    ExpectSameAsFastWriter(Json::Value(std::numeric_limits<Json::Int>::min()));
    ExpectSameAsFastWriter(Json::Value(std::numeric_limits<Json::UInt>::max()));
    for (double d : {0.0, -0.0, 1.0, -2.5, 0.1, 1e21, 1e-7, 123456789012345678.0, 3.141592653589793,
                     std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(),
                     std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()}) {
        SCOPED_TRACE(d);
        ExpectSameAsFastWriter(Json::Value(d));
    }
    // The integral double keeps a ".0"; the integer does not.
    EXPECT_EQ("2.0\n", report::WriteCompactJson(Json::Value(2.0)));
    EXPECT_EQ("2\n", report::WriteCompactJson(Json::Value(2)));
}

TEST(JsonCompact, StringsEscapeLikeFastWriter) {
    const std::string cases[] = {
        "",
        "plain ASCII / slash ~ \x7f",
        "quote \" backslash \\ end",
        "\b\f\n\r\t",
        std::string("nul \0 inside", 12),
        "\x01\x1f\x1b",
        "\xe4\xb8\xad\xe6\x96\x87",                      // CJK: \u escapes
        "\xc3\xa9t\xc3\xa9",                              // two-byte forms
        "\xf0\x9f\x98\x80",                               // above the BMP: a surrogate pair
        Bytes({0xC0, 0x80}),                              // overlong NUL
        Bytes({0xE0, 0x80, 0x80}),                        // overlong three-byte form
        Bytes({0xED, 0xA0, 0x80}),                        // encoded surrogates, first and last
        Bytes({0xED, 0xBF, 0xBF}),
        Bytes({0xF0, 0x80, 0x80, 0x80}),                  // overlong four-byte form
        Bytes({0x80, 0x41}),                              // stray continuation byte
        Bytes({0xFF, 0x41}),                              // never a lead byte
        Bytes({'a', 0xE4, 0xB8}),                         // cut short at the end
        Bytes({'a', 0xC3}),
        Bytes({'a', 0xF0, 0x9F, 0x98}),
        Bytes({0xF7, 0xBF, 0xBF, 0xBF}),                  // beyond U+10FFFF
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(::testing::PrintToString(text));
        ExpectSameAsFastWriter(Json::Value(text));
    }
    EXPECT_EQ("\"\\u4e2d\"\n", report::WriteCompactJson(Json::Value("\xe4\xb8\xad")));
    EXPECT_EQ("\"\\ud83d\\ude00\"\n", report::WriteCompactJson(Json::Value("\xf0\x9f\x98\x80")));
}

TEST(JsonCompact, ContainersAndNesting) {
    ExpectSameAsFastWriter(Json::Value(Json::arrayValue));
    ExpectSameAsFastWriter(Json::Value(Json::objectValue));

    Json::Value root(Json::objectValue);
    root["zeta"] = 1;
    root["alpha"] = "first by name";
    root[""] = "empty name";
    root["\xe5\x90\x8d"] = "non-ASCII name";
    root[std::string("nul\0name", 8)] = "embedded NUL in the name";
    root["quote\"name"] = Json::Value();
    root["empty array"] = Json::Value(Json::arrayValue);
    root["empty object"] = Json::Value(Json::objectValue);
    Json::Value& list = root["list"];
    list.append(1);
    list.append(-2.5);
    list.append("three");
    list.append(Json::Value(Json::arrayValue));
    list[5]["deep"]["deeper"].append(Json::Value(false));  // list[4] stays null
    ExpectSameAsFastWriter(root);
    EXPECT_EQ(0u, report::WriteCompactJson(root).find("{\"\":\"empty name\","));
}

TEST(JsonCompact, ReportRecordIsFastWritersText) {
    Json::Value record(Json::objectValue);
    record["success"] = "1";
    record["menuid"] = 10087;
    record["type"] = 2;
    record["pcos"] = "Windows 10 \xe4\xb8\x93\xe4\xb8\x9a\xe7\x89\x88";
    record["instname"] = "C:\\Program Files (x86)\\Torvane";
    EXPECT_EQ(FastWriterText(record), report::WriteCompactJson(record));
    EXPECT_EQ('\n', report::WriteCompactJson(record).back());
}

}  // namespace
