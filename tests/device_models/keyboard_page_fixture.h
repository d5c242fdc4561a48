#pragma once
// A keyboard page on a headless window, wired to the emulated keyboard the
// way the main window wires it: built from the test layout, set up in the
// owner's order, its command channel opened on the vendor collection and its
// notification interface attached.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/json_file.h"
#include "devices/detect/catalogue.h"
#include "device_page_harness.h"
#include "devices/models/keyboard_device.h"
#include "platform/sim/sim_device_set.h"
#include "skin/core/resource_manager.h"
#include "skin_core/skin_fixture.h"
#include "support/temp_folder.h"

namespace kelno::test {

inline const std::filesystem::path kFixtures = KELNO_DEVICE_FIXTURES;

class KeyboardPageTest : public testing::Test {
  protected:
    KeyboardPageTest() : factory(devices.Backend()), window(skin::Size{600, 500}) {}

    void SetUp() override {
        keyboard = devices.Plug(sim::SimKind::Keyboard);
        ASSERT_NE(keyboard, nullptr);
        std::filesystem::create_directories(folder / "DefaultData");
        std::filesystem::copy_file(std::filesystem::path(KELNO_DEFAULT_DATA_DIR) / "keyboard.Json",
                                   folder / "DefaultData" / "keyboard.Json");
        skin::CPaintManagerUI::SetResourcePath(kFixtures.string() + "/");
        skin::CResourceManager::GetInstance().LoadLanguage("lan_en.xml");

        skin::CDialogBuilder builder;
        skin::CControlUI* root =
            builder.Create((kFixtures / "keyboard_page.xml").string(), &factory, &window.pm);
        ASSERT_NE(root, nullptr) << builder.GetLastError();
        window.pm.SetRoot(root);
        page = static_cast<CZembravaKeyboardDevice*>(root->GetInterface("ZembravaKeyboardDevice"));
        ASSERT_NE(page, nullptr);

        // The owner's set-up order.
        page->SetLayoutFile("keyboard_page.xml");
        page->SetMainWindow([this](uint32_t message, uintptr_t wParam, intptr_t lParam) {
            messages.emplace_back(message, wParam);
            if (message == UWM_DEVICE_WRITE_MSG) writeResults.push_back(static_cast<int>(lParam));
        });
        page->SetKeyCount(126);
        page->SetLedCount(126);
        page->SetPowerPolling(false);
        page->SetKindName("keyboard");
        page->AttachCatalogueEntry(PrimaryKeyboardRow());
        page->SetLightListIndex(0);
        page->SetLightConfigName("tovra_light");
        page->SetDataFolders(folder / "user", folder / "DefaultData");
        page->InitLayout();
        window.pm.UpdateLayout();

        const std::vector<std::string> paths = devices.Backend()->Paths("keyboard");
        ASSERT_EQ(paths.size(), 4u);
        notifyPath = paths[2];
        ASSERT_TRUE(page->OpenCommandChannel(paths[3]));
    }

    void TearDown() override {
        if (page) page->StopThreads();
    }

    bool PumpUntil(const std::function<bool()>& done) { return test::PumpUntil(window, done); }
    void Settle() { test::Settle(*page, window); }
    std::vector<uint8_t> CommandCodes() const { return CommandCodesOf(*keyboard); }
    // The codes with repeats (the chunks of one transfer) counted once.
    std::vector<uint8_t> CollapsedCommandCodes() const {
        std::vector<uint8_t> collapsed;
        for (uint8_t code : CommandCodes()) {
            if (collapsed.empty() || collapsed.back() != code) collapsed.push_back(code);
        }
        return collapsed;
    }

    Json::Value ProfileFile() const { return ReadJsonFile(page->GetProfileName()); }

    // The device key under a page key, from the emulator's own shuffle.
    static int DeviceKeyOf(int pageKey) {
        const std::vector<int>& order = sim::SimKeyboardDeviceOrder();
        for (size_t k = 0; k < order.size(); ++k) {
            if (order[k] == pageKey) return static_cast<int>(k);
        }
        return -1;
    }

    static SupportedDeviceEntry PrimaryKeyboardRow() {
        const Catalogue& catalogue = Catalogue::Shipped();
        const int row = catalogue.findSupportedRow(0x0C45, 0x7650, KindCode(DeviceKind::Keyboard),
                                                   kPrimaryVariant);
        EXPECT_GE(row, 0);
        return row < 0 ? SupportedDeviceEntry{}
                       : catalogue.SupportedDeviceTable()[static_cast<size_t>(row)];
    }

    TempFolder folder;
    sim::SimDeviceSet devices;
    std::shared_ptr<sim::SimCommandDevice> keyboard;
    DevicePageFactory factory;
    skin::test::SkinWindow window;
    CZembravaKeyboardDevice* page = nullptr;
    std::string notifyPath;
    std::vector<std::pair<uint32_t, uintptr_t>> messages;
    std::vector<int> writeResults;  // of the writes the page queued
};

}  // namespace kelno::test
