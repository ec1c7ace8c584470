// The install report's pieces against independently made vectors, and a real POST
// to a server on loopback through WinINet.
#include "win/path.h"
#include "report/http_post.h"
#include "report/install_report.h"
#include "report/log_server.h"
#include "report/report_cipher.h"
#include "report/report_record.h"
#include "report/system_info.h"
#include "tests/report/loopback_server.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <windows.h>

#include <chrono>
#include <fstream>
#include <iterator>

namespace {

using testing_support::DecodeTransportText;
using testing_support::LoopbackHttpServer;

// Made with: printf '%s' TEXT | openssl enc -des-ede3 -K <hex of the first 24 key characters> -nosalt | base64 -w0
TEST(EncryptReport, MatchesOpensslCommandLineVectors) {
    EXPECT_EQ("%2FLxZwGy3VlM%3D", EncryptReport("abc"));
    EXPECT_EQ("C5Lxm9Aebc0X3x2QvHdlUQ%3D%3D", EncryptReport("\xE6\x89\x98\xE5\xB0\x94\xE6\x96\x87"));  // 托尔文
    EXPECT_EQ("3coX%2Fa5W2QH%2FMgaC4zkKxoXbsw5NlQr8m4TgZPtxODBeq262P3OWXQ%3D%3D",
              EncryptReport(R"({"pccid":"700001","success":"1"})"));
}

TEST(EncryptReport, WholeBlockTextGainsAFullBlockOfEights) {
    const std::string cipher = report::EncipherEde3("12345678");
    ASSERT_EQ(16u, cipher.size());
    // The second block is the encryption of eight bytes of 8, the same block that ends
    // every other text whose length is a multiple of 8.
    const std::string json32 = report::EncipherEde3(R"({"pccid":"700001","success":"1"})");
    ASSERT_EQ(40u, json32.size());
    EXPECT_EQ(cipher.substr(8), json32.substr(32));
    EXPECT_EQ(8u, report::EncipherEde3("").size());
    EXPECT_EQ(8u, report::EncipherEde3("1234567").size());
}

TEST(EncryptReport, Base64AndUrlEncoding) {
    EXPECT_EQ("", report::Base64Encode(""));
    EXPECT_EQ("Zg==", report::Base64Encode("f"));
    EXPECT_EQ("Zm8=", report::Base64Encode("fo"));
    EXPECT_EQ("Zm9v", report::Base64Encode("foo"));
    EXPECT_EQ("+/8=", report::Base64Encode("\xfb\xff"));
    EXPECT_EQ("aZ09~-_.%2B%2F%3D%20%25%E6", report::UrlEncode("aZ09~-_.+/= %\xe6"));

    // Over many texts the transport form never carries a raw "+", "/" or "=".
    std::string text;
    for (int i = 0; i < 200; ++i) {
        text += char('A' + i % 57);
        const std::string t = EncryptReport(text);
        ASSERT_EQ(std::string::npos, t.find_first_of("+/=")) << t;
        ASSERT_EQ(text, DecodeTransportText(t));
    }
}

TEST(ReportRecord, CarriesEveryMemberWithItsType) {
    report::ReportFacts facts;
    facts.success = false;
    facts.pcguid = L"{01234567-89AB-CDEF-0123-456789ABCDEF}";
    facts.pcos = L"10.0_0_64";
    facts.instname = L"托尔文安装.exe";
    facts.version = L"6.2.10.03";
    const std::string json = report::BuildReportJson(facts);
    EXPECT_EQ(std::string::npos, json.find(": ")) << "not compact: " << json;

    Json::Value v;
    Json::CharReaderBuilder builder;
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    ASSERT_TRUE(reader->parse(json.data(), json.data() + json.size(), &v, &errors)) << errors;
    EXPECT_EQ(13u, v.size());
    for (const char* empty : {"model", "ios", "buildver", "sernum", "udid"}) {
        ASSERT_TRUE(v[empty].isString()) << empty;
        EXPECT_EQ("", v[empty].asString());
    }
    EXPECT_EQ("0", v["success"].asString());
    EXPECT_TRUE(v["menuid"].isInt());
    EXPECT_EQ(10087, v["menuid"].asInt());
    EXPECT_TRUE(v["type"].isInt());
    EXPECT_EQ(2, v["type"].asInt());
    EXPECT_EQ("{01234567-89AB-CDEF-0123-456789ABCDEF}", v["pcguid"].asString());
    EXPECT_EQ("10.0_0_64", v["pcos"].asString());
    EXPECT_EQ("\xE6\x89\x98\xE5\xB0\x94\xE6\x96\x87\xE5\xAE\x89\xE8\xA3\x85.exe", v["instname"].asString());
    EXPECT_EQ("6.2.10.03", v["pcvs"].asString());
    EXPECT_EQ("700001", v["pccid"].asString());

    facts.success = true;
    EXPECT_NE(std::string::npos, report::BuildReportJson(facts).find(R"("success":"1")"));
}

TEST(SystemInfo, SeesSixtyFourBitWindowsThroughWow64) {
    // The test prefix is 64-bit Windows 10; this test program is 32-bit.
    const std::wstring os = report::OsText();
    EXPECT_EQ(L"10.0_0_64", os);
    EXPECT_EQ(L"6.1_1_32", report::FormatOsText(L"6.1", true, false));
    EXPECT_EQ(L"_0_32", report::FormatOsText(L"", false, false));
    EXPECT_EQ(63u, report::FormatOsText(std::wstring(80, L'9'), false, true).size());
    EXPECT_TRUE(win::EqualsNoCase(L"test_report.exe", report::InstallerName()));
}

TEST(LogServer, UrlAndItsParts) {
    EXPECT_EQ(L"http://127.0.0.1:18731/log/info/uploadLog.go?type=2", report::ReportUrl());
    report::ReportEndpoint e;
    ASSERT_TRUE(report::SplitReportUrl(L"http://log.example.com/log/info/uploadLog.go?type=2", e));
    EXPECT_EQ(L"log.example.com", e.host);
    EXPECT_EQ(80, e.port);
    EXPECT_EQ(L"/log/info/uploadLog.go?type=2", e.path);
    ASSERT_TRUE(report::SplitReportUrl(L"http://10.1.2.3:8080", e));
    EXPECT_EQ(8080, e.port);
    EXPECT_EQ(L"/", e.path);
    EXPECT_FALSE(report::SplitReportUrl(L"http:///path", e));
    EXPECT_FALSE(report::SplitReportUrl(L"http://host:99999/", e));
    EXPECT_FALSE(report::SplitReportUrl(L"log.example.com/", e));
}

TEST(PostReport, ServerReceivesOnePostWithAgentTypeAndBody) {
    LoopbackHttpServer server(0);
    ASSERT_TRUE(server.listening());
    report::ReportEndpoint e{L"127.0.0.1", server.port(), L"/log/info/uploadLog.go?type=2"};
    const std::string body = EncryptReport(R"({"success":"1"})");
    EXPECT_TRUE(report::PostReport(e, body));
    const auto requests = server.requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("POST", requests[0].method);
    EXPECT_EQ("/log/info/uploadLog.go?type=2", requests[0].target);
    EXPECT_EQ("ZELKHTTP 5.0", requests[0].userAgent);
    EXPECT_EQ("text/plain", requests[0].contentType);
    EXPECT_EQ(body, requests[0].body);
    EXPECT_EQ(R"({"success":"1"})", DecodeTransportText(requests[0].body));
}

TEST(PostReport, DeadOrSilentServerEndsTheReportInBoundedTime) {
    using Clock = std::chrono::steady_clock;
    unsigned short freePort = 0;
    {
        LoopbackHttpServer probe(0);  // a port that was free a moment ago, now closed
        ASSERT_TRUE(probe.listening());
        freePort = probe.port();
    }
    report::ReportEndpoint refused{L"127.0.0.1", freePort, L"/"};
    auto start = Clock::now();
    EXPECT_FALSE(report::PostReport(refused, "x"));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(8));

    LoopbackHttpServer silent(0, LoopbackHttpServer::Mode::Silent);
    ASSERT_TRUE(silent.listening());
    report::ReportEndpoint e{L"127.0.0.1", silent.port(), L"/"};
    start = Clock::now();
    EXPECT_FALSE(report::PostReport(e, "x"));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3 * report::kReportTimeoutMs / 1000));
}

TEST(SourceMarker, HoldsExactlyTheChannelAndReplacesAnOldOne) {
    const std::wstring dir = win::TempFolder() + L"torvane-marker-test\\";
    ::CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring path = dir + L"source.dat";
    {
        std::ofstream old(path.c_str(), std::ios::binary);
        old << "a much longer earlier marker";
    }
    WriteSourceMarker(dir);
    std::ifstream in(path.c_str(), std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ("700001", content);
    in.close();
    ::DeleteFileW(path.c_str());
    ::RemoveDirectoryW(dir.c_str());

    WriteSourceMarker(L"Q:\\no such drive\\");  // silently skipped
}

}  // namespace
