// The Linux revealer asks the file manager, over D-Bus, to show the
// downloaded file: a stand-in file manager on a private bus records the call.

#include "update/installer_launcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update/stand_in_file_manager.h"

namespace kelno::update {
namespace {

class RevealTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!bus_.Address()) GTEST_SKIP() << "no private bus (dbus-daemon missing?)";
        program_ = g_dbus_connection_new_for_address_sync(
            bus_.Address(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        ASSERT_TRUE(program_);
    }
    void TearDown() override {
        if (program_) g_object_unref(program_);
    }

    test::PrivateBus bus_;
    test::StandInFileManager fileManager_;
    GDBusConnection* program_ = nullptr;
};

TEST_F(RevealTest, AsksTheFileManagerToShowTheFile) {
    std::string why;
    ASSERT_TRUE(fileManager_.Start(bus_.Address(), why)) << why;
    EXPECT_TRUE(DesktopFileRevealer(program_).Reveal(
        "/home/u/.cache/KELNO Driver/UpdateData/QB42M16D.bin"));
    EXPECT_EQ(
        fileManager_.Uris(),
        std::vector<std::string>{"file:///home/u/.cache/KELNO%20Driver/UpdateData/QB42M16D.bin"});
}

}  // namespace
}  // namespace kelno::update
