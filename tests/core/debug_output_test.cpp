#include "core/debug_output.h"

#include <gtest/gtest.h>

#include <thread>

namespace kelno {
namespace {

TEST(DebugOutput, CaptureReceivesLinesWithoutLineFeeds) {
    ScopedDebugCapture capture;
    DebugOutput("first");
    DebugOutput("second\n");
    DebugOutputF("value %d %s", 42, "命令");
    EXPECT_EQ(capture.Lines(), (std::vector<std::string>{"first", "second", "value 42 命令"}));
}

TEST(DebugOutput, InnermostCaptureWinsAndLinesFromThreadsArrive) {
    ScopedDebugCapture outer;
    {
        ScopedDebugCapture inner;
        std::thread worker([] { DebugOutput("from worker"); });
        worker.join();
        EXPECT_EQ(inner.Lines(), std::vector<std::string>{"from worker"});
    }
    DebugOutput("after");
    EXPECT_EQ(outer.Lines(), std::vector<std::string>{"after"});
}

}  // namespace
}  // namespace kelno
