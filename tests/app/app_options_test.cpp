#include "app/app_options.h"

#include <gtest/gtest.h>

namespace kelno::app {
namespace {

TEST(AppOptions, AcceptedLines) {
    const ParsedOptions parsed = ParseAppOptions(
        {"--demo", "--sim-control", "/tmp/e", "--automation=/tmp/a", "--data-dir", "/d"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_TRUE(parsed.options->demo);
    EXPECT_EQ(parsed.options->demoKinds, std::vector<std::string>{"keyboard"});
    EXPECT_EQ(parsed.options->simControlSocket, "/tmp/e");
    EXPECT_EQ(parsed.options->automationSocket, "/tmp/a");
    EXPECT_EQ(parsed.options->dataDir, "/d");

    const ParsedOptions kinds = ParseAppOptions({"--demo=mouse,headset"});
    ASSERT_TRUE(kinds.options) << kinds.error;
    EXPECT_EQ(kinds.options->demoKinds, (std::vector<std::string>{"mouse", "headset"}));

    const ParsedOptions fallback = ParseAppOptions({"--demo-if-no-device", "--sim-control=/s"});
    ASSERT_TRUE(fallback.options) << fallback.error;
    EXPECT_TRUE(fallback.options->demoIfNoDevice);
    EXPECT_FALSE(fallback.options->demo);
    EXPECT_EQ(fallback.options->simControlSocket, "/s");

    const ParsedOptions update =
        ParseAppOptions({"--update-url", "https://127.0.0.1:8443/api/", "--update-ca=/tmp/ca.pem"});
    ASSERT_TRUE(update.options) << update.error;
    EXPECT_EQ(update.options->updateUrl, "https://127.0.0.1:8443/api/");
    EXPECT_EQ(update.options->updateCa, "/tmp/ca.pem");
    const ParsedOptions pulse = ParseAppOptions({"--demo=headset", "--audio=pulse"});
    ASSERT_TRUE(pulse.options) << pulse.error;
    EXPECT_EQ(pulse.options->audio, AudioChoice::Pulse);
    const ParsedOptions spaced = ParseAppOptions({"--audio", "pulse", "--data-dir", "/d"});
    ASSERT_TRUE(spaced.options) << spaced.error;
    EXPECT_EQ(spaced.options->audio, AudioChoice::Pulse);
    EXPECT_EQ(spaced.options->dataDir, "/d");

    const ParsedOptions none = ParseAppOptions({});
    ASSERT_TRUE(none.options);
    EXPECT_FALSE(none.options->demo);
    EXPECT_EQ(none.options->audio, AudioChoice::Default);
    EXPECT_TRUE(none.options->automationSocket.empty());
    EXPECT_TRUE(none.options->updateUrl.empty());
    EXPECT_TRUE(none.options->updateCa.empty());
}

TEST(AppOptions, RefusedLinesSayWhy) {
    struct Case {
        std::vector<std::string> line;
        const char* reason;
    };
    const Case cases[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"demo"}, "unknown option demo"},
        {{"--demo="}, "--demo= needs device kinds"},
        {{"--demo=mouse,,headset"}, "--demo= needs device kinds"},
        {{"--automation"}, "--automation needs a value"},
        {{"--data-dir="}, "--data-dir needs a value"},
        {{"--sim-control", "/tmp/e"}, "--sim-control needs --demo or --demo-if-no-device"},
        {{"--demo", "--demo-if-no-device"}, "--demo and --demo-if-no-device exclude each other"},
        {{"--demo-if-no-device=yes"}, "unknown option --demo-if-no-device=yes"},
        {{"--update-url", "http://updates.example/api/"}, "--update-url needs an https:// address"},
        {{"--update-ca"}, "--update-ca needs a value"},
        {{"--audio=alsa"}, "--audio takes pulse"},
        {{"--audio"}, "--audio takes pulse"},
        {{"--audio="}, "--audio takes pulse"},
    };
    for (const Case& c : cases) {
        const ParsedOptions parsed = ParseAppOptions(c.line);
        EXPECT_FALSE(parsed.options) << c.reason;
        EXPECT_EQ(parsed.error, c.reason);
    }
}

}  // namespace
}  // namespace kelno::app
