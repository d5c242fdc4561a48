#pragma once
// CZembravaKeyMappedDevice: what the keyboard and the mouse pages share.
// Both store 3 bytes per device key and find each page key's device key by
// its factory code, play macros from one image, keep a profile file with a
// key list, and host the same panels (profile, lighting, key assignment,
// macro editor). A wireless device checks its link before each command.

#include <array>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "devices/models/key_assignment_device.h"
#include "devices/models/key_map_wire.h"
#include "devices/models/profiled_device.h"
#include "macros/macro_library.h"

namespace kelno {

class CZembravaKeyMappedDevice : public CZembravaProfiledDevice, public IKeyAssignmentDevice {
  public:
    explicit CZembravaKeyMappedDevice(std::shared_ptr<hid::HidBackend> backend);

    void* GetInterface(std::string_view name) override;

    // --- Key map and macros -----------------------------------------------------
    // Reads info and key map (START ... FINISH) and rebuilds the maps. The
    // maps change only after every read succeeded.
    int ReadKeyMapFromDevice();
    // The channel's result (1 when written); 0 when the channel is closed,
    // a wireless link is down, or no complete key map was read yet (nothing
    // is written then: it would zero the keys the read did not bring).
    int WriteKeyMap(int profileIndex, const std::vector<KeyAssignmentPair>& assignments) override;
    // The records as the page holds them (edits included), written at once.
    int WriteStoredKeyMap(int profileIndex) override;
    // The key records as the profile stores them, built now and written on
    // the device worker (QueueDeviceWrite gives the result).
    int QueueStoredKeyMapWrite(int profileIndex);
    // 0 when written or when there is nothing to send, kMacroImageUnallocated,
    // kMacroWriteFailed (the channel is closed, the link down or the image
    // refused), kMacrosBeyondLimits (nothing sent), or a positive count when
    // the image does not fit (by ((size - capacity) / 4) + 1).
    int WriteMacros() override;
    bool HasKeyMap() const { return keyMapSize_ > 0; }

    // --- Synchronisation ----------------------------------------------------------------
    // The key map, then the kind's own steps (FinishInitialSync).
    int InitialSync() override;
    void OnInitialSyncTimer() override;  // the reads on the device worker
    // The settings block the device reports (after its 0x401), read whole
    // or not taken at all.
    int OnSyncRequest() override;
    void OnSyncRequestTimer() override;  // the reads on the device worker
    uint8_t GetActiveProfile() const { return activeProfile_; }

    // --- Panels ---------------------------------------------------------------------
    // Opens the key assignment panel on the key.
    void SelectKey(int index) override;

    // IKeyAssignmentDevice.
    const std::vector<KeyAssignmentPair>& GetKeyAssignments() const override {
        return keyAssignments_;
    }
    void SetKeyAssignment(int index, const KeyAssignmentPair& record) override;
    void SetKeyAssignments(const std::vector<KeyAssignmentPair>& records) override;
    std::filesystem::path MacroFolder() const override { return UserFolder(); }
    std::vector<std::string> MacroNames() const override;
    void StoreKeysOnDevice(std::function<void(KeyStoreResult)> done) override;
    void CommitKeys(std::function<void(KeyStoreResult, CommitResult)> done) override;
    bool StoreKeysInProfile() override;

    // The caption of a key assignment (language texts joined with "+").
    std::string KeyCaption(const KeyAssignment& assignment);

  protected:
    // What the key map read brought (transactions only, any thread).
    struct KeyMapReading {
        int result = 0;
        bool infoRead = false;
        std::array<uint8_t, kDeviceInfoSize> info{};
        size_t mapSize = 0;  // 0: no complete map
        std::array<uint8_t, kMaxDataSize> keyMap{};
        std::array<uint8_t, kMaxDataSize> keyLeds{};
    };

    // What the settings read-back brought (transactions only, any thread).
    struct SettingsReading {
        int result = 0;
        uint8_t activeProfile = 0;
        std::vector<uint8_t> block;  // complete when result is kChannelOk
    };

    // What a kind adds.
    // After the key map read: profile, panels, the kind's writes, lighting.
    virtual int FinishInitialSync() = 0;
    // Where the device keeps the settings block of profile p (p x stride)
    // and how much of it is read back.
    virtual uint32_t SettingsStride() const = 0;
    virtual size_t SettingsReadSize() const = 0;
    // A complete block read back: into the profile and the page.
    virtual int TakeSettingsBlock(uint8_t activeProfile, std::span<const uint8_t> block) = 0;
    virtual std::span<const keymap::KeyCode> DefaultKeyCodes() const = 0;
    virtual uint8_t UnmappedMarker() const = 0;
    // The keyboard also reads its key-to-LED table with the key map.
    virtual bool ReadsKeyLeds() const { return false; }
    // Page key -> LED of each page key, from the matched device keys.
    virtual std::map<int, int> KeyLedsOf(const std::vector<uint8_t>& deviceKeys,
                                         const KeyMapReading& reading) const;
    // The text ids that name a code on a key button (joined with "+");
    // empty keeps the layout's caption. The keyboard's names by default.
    virtual std::vector<std::string> CodeTextIds(const KeyAssignment& assignment) const;
    // Whether the device answers (DeviceLink::LinkUp), asked before each
    // command. Transactions only.
    bool LinkUp() { return link_.LinkUp(); }

    // Binds the page's panels (profile, lighting, key assignment, macros and
    // `extraPanels` by name); the key assignment panel starts hidden.
    void BindKeyPanels(std::initializer_list<const char*> extraPanels = {});
    // Keeps each key button's text id of the layout.
    void BindLayoutCaptions();
    // The profile's key list into the key records, one per page key (the
    // stored ones and the ones shown).
    void TakeKeyList();
    void RefreshKeyCaptions();

    SettingsReading ReadSettingsTransactions();
    KeyMapReading ReadKeyMapTransactions();
    // The key map to write for these records (UI thread); nothing before a
    // complete read.
    std::optional<std::vector<uint8_t>> KeyMapToWrite(
        const std::vector<KeyAssignmentPair>& assignments) const;
    // Transactions only, any thread.
    int WriteKeyMapTransactions(const std::vector<uint8_t>& keyMap, int profileIndex);
    int TakeKeyMap(const KeyMapReading& reading);
    // The macro image of the library (read on the UI thread) written with
    // the capacity the device reports now. Transactions only, any thread.
    struct MacroWrite {
        int result = 0;
        bool infoRead = false;
        std::array<uint8_t, kDeviceInfoSize> info{};
    };
    MacroWrite WriteMacroTransactions(const MacroLibraryContents& library,
                                      std::array<uint8_t, kDeviceInfoSize> info);
    // Ends a group whose link went down; the operation's result is 0.
    int AbandonGroup();

    std::vector<KeyAssignmentPair> keyAssignments_;  // shown: the user's edits
    std::vector<KeyAssignmentPair> storedKeys_;      // as the profile holds them
    std::array<uint8_t, kMaxDataSize> keyMapBuffer_{};
    size_t keyMapSize_ = 0;  // 0 until a complete read
    skin::CControlUI* keySetPanel_ = nullptr;
    skin::CControlUI* macroPanel_ = nullptr;
    uint8_t activeProfile_ = 0;
    // The light bytes as last taken (mode, brightness, speed, ...), and what
    // they were before the last read-back (active profile first).
    LightSetting lightShadow_;
    std::array<uint8_t, 13> previousShadow_{};

  private:
    // The macro library, then the key map of `keys`, on the device worker.
    void WriteKeys(const std::vector<KeyAssignmentPair>& keys,
                   std::function<void(KeyStoreResult)> done);
    void BeginSyncRequest();
    int TakeSettingsReading(const SettingsReading& reading);
    // Each key button's text id in the layout, bound with the page.
    std::vector<std::string> layoutCaptionIds_;
};

}  // namespace kelno
