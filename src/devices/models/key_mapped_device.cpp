#include "devices/models/key_mapped_device.h"

#include <algorithm>
#include <optional>

#include "core/debug_output.h"
#include "devices/models/page_lookup.h"
#include "keys/key_names.h"
#include "macros/macro_library.h"
#include "skin/core/attribute_values.h"

namespace kelno {
namespace {

// 3 bytes each must fit the 512-byte key map.
constexpr uint8_t kMaxDeviceKeys = 170;

keymap::KeyCode CodeOf(const KeyAssignment& assignment) {
    return {assignment.high, assignment.middle, assignment.low};
}

}  // namespace

CZembravaKeyMappedDevice::CZembravaKeyMappedDevice(std::shared_ptr<hid::HidBackend> backend)
    : CZembravaProfiledDevice(std::move(backend)) {}

void* CZembravaKeyMappedDevice::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, IKeyAssignmentDevice::kInterface))
        return static_cast<IKeyAssignmentDevice*>(this);
    return CZembravaProfiledDevice::GetInterface(name);
}

void CZembravaKeyMappedDevice::TakeKeyList() {
    std::vector<KeyAssignmentPair> keys = BasicProfile().GetKeyList();
    keys.resize(DefaultKeyCodes().size());
    keyAssignments_ = keys;
    storedKeys_ = std::move(keys);
}

// --- key map ---------------------------------------------------------------------------

int CZembravaKeyMappedDevice::ReadKeyMapFromDevice() {
    if (!link_.Command().IsOpen()) return 0;
    return TakeKeyMap(ReadKeyMapTransactions());
}

int CZembravaKeyMappedDevice::AbandonGroup() {
    link_.Command().SendFinish();
    return 0;
}

CZembravaKeyMappedDevice::KeyMapReading CZembravaKeyMappedDevice::ReadKeyMapTransactions() {
    CHidCommandChannel& channel = link_.Command();
    KeyMapReading reading;
    const auto group = channel.LockGroup();
    if (!LinkUp()) return reading;
    channel.SendStart();
    if (!LinkUp()) {
        reading.result = AbandonGroup();
        return reading;
    }
    reading.result = channel.ReadInfo(reading.info);
    reading.infoRead = reading.result == kChannelOk;
    const uint8_t deviceKeys = reading.info[5];
    if (!reading.infoRead || deviceKeys > kMaxDeviceKeys ||
        !channel.SetDataSize(static_cast<uint16_t>(3 * deviceKeys)) || !LinkUp()) {
        // Close the group opened above; the maps stay as they were.
        channel.SendFinish();
        if (reading.infoRead) reading.result = 0;
        return reading;
    }
    reading.result = channel.ReadKeyMap(reading.keyMap);
    if (reading.result == kChannelOk && ReadsKeyLeds())
        reading.result = channel.ReadKeyLeds(reading.keyLeds);
    channel.SendFinish();
    if (reading.result == kChannelOk) reading.mapSize = 3u * deviceKeys;
    return reading;
}

std::map<int, int> CZembravaKeyMappedDevice::KeyLedsOf(const std::vector<uint8_t>& deviceKeys,
                                                       const KeyMapReading& /*reading*/) const {
    std::map<int, int> none;
    for (size_t j = 0; j < deviceKeys.size(); ++j) none[static_cast<int>(j)] = kNoIndex;
    return none;
}

int CZembravaKeyMappedDevice::TakeKeyMap(const KeyMapReading& reading) {
    if (reading.infoRead) deviceInfo_ = reading.info;
    if (reading.mapSize == 0) {
        if (reading.infoRead && reading.result != kChannelOk)
            DebugOutputF("key map read failed (%d); the maps are kept", reading.result);
        return reading.result;
    }
    keyMapBuffer_ = reading.keyMap;
    keyMapSize_ = reading.mapSize;
    const std::vector<uint8_t> deviceIndex = keymap::MatchKeyMap(
        std::span(keyMapBuffer_.data(), keyMapSize_), DefaultKeyCodes(), UnmappedMarker());
    std::map<int, int> keyToDevice;
    for (size_t j = 0; j < deviceIndex.size(); ++j)
        keyToDevice[static_cast<int>(j)] = deviceIndex[j];
    SetKeyMaps(std::move(keyToDevice), KeyLedsOf(deviceIndex, reading));
    return kChannelOk;
}

std::optional<std::vector<uint8_t>> CZembravaKeyMappedDevice::KeyMapToWrite(
    const std::vector<KeyAssignmentPair>& assignments) const {
    if (keyMapSize_ == 0) return std::nullopt;
    const size_t pageKeys = DefaultKeyCodes().size();
    std::vector<uint8_t> deviceIndex(pageKeys, UnmappedMarker());
    for (const auto& [page, device] : KeyToDeviceIndex()) {
        if (page >= 0 && static_cast<size_t>(page) < pageKeys)
            deviceIndex[static_cast<size_t>(page)] = static_cast<uint8_t>(device);
    }
    // Keys without an assignment keep what the device has. The read map
    // stays the base: every mapped key is written from its assignment, and
    // the keys no page key maps never change.
    std::vector<keymap::KeyCode> codes;
    for (size_t j = 0; j < assignments.size() && j < pageKeys; ++j)
        codes.push_back(CodeOf(assignments[j].current));
    return keymap::BuildKeyMap(std::span(keyMapBuffer_.data(), keyMapSize_), deviceIndex, codes);
}

int CZembravaKeyMappedDevice::WriteKeyMapTransactions(const std::vector<uint8_t>& keyMap,
                                                      int profileIndex) {
    CHidCommandChannel& channel = link_.Command();
    if (!channel.IsOpen()) return 0;
    const auto group = channel.LockGroup();
    if (!LinkUp()) return 0;
    channel.SetDataSize(static_cast<uint16_t>(keyMap.size()));
    channel.SendStart();
    if (!LinkUp()) return AbandonGroup();
    const int result = channel.WriteKeyMap(keyMap, profileIndex);
    channel.SendFinish();
    return result;
}

int CZembravaKeyMappedDevice::WriteKeyMap(int profileIndex,
                                          const std::vector<KeyAssignmentPair>& assignments) {
    const auto keyMap = KeyMapToWrite(assignments);
    if (!keyMap || !link_.Command().IsOpen()) return 0;
    return WriteKeyMapTransactions(*keyMap, profileIndex);
}

int CZembravaKeyMappedDevice::QueueStoredKeyMapWrite(int profileIndex) {
    const auto keyMap = KeyMapToWrite(storedKeys_);
    if (!keyMap) return 0;
    return QueueDeviceWrite(DeviceWriteKind::KeyMap, [this, map = *keyMap, profileIndex] {
        return WriteKeyMapTransactions(map, profileIndex);
    });
}

int CZembravaKeyMappedDevice::WriteStoredKeyMap(int profileIndex) {
    return WriteKeyMap(profileIndex, keyAssignments_);
}

CZembravaKeyMappedDevice::MacroWrite CZembravaKeyMappedDevice::WriteMacroTransactions(
    const MacroLibraryContents& library, std::array<uint8_t, kDeviceInfoSize> info) {
    CHidCommandChannel& channel = link_.Command();
    MacroWrite write;
    const auto group = channel.LockGroup();
    const bool linked = !channel.IsOpen() || LinkUp();
    if (linked && channel.IsOpen()) {
        write.infoRead = channel.ReadInfo(write.info) == kChannelOk;
        if (write.infoRead) info = write.info;
    }
    if (library.beyondLimits) {
        write.result = kMacrosBeyondLimits;
        return write;
    }
    if (library.macros.empty()) return write;  // nothing to send
    const size_t capacity = size_t{info[6]} * 128;
    const keymap::MacroImage image = keymap::BuildMacroImage(library.macros, capacity);
    if (image.overflow > 0) {
        write.result = image.overflow;
        return write;
    }
    if (image.bytes.empty()) {
        write.result = kMacroImageUnallocated;
        return write;
    }
    // An image that does not reach the device was not written.
    write.result = kMacroWriteFailed;
    if (!channel.IsOpen() || !linked || !LinkUp()) return write;
    channel.SendStart();
    if (!LinkUp()) {
        AbandonGroup();
        return write;
    }
    if (channel.WriteMacros(image.bytes) == kChannelOk) write.result = 0;
    channel.SendFinish();
    return write;
}

int CZembravaKeyMappedDevice::WriteMacros() {
    const MacroWrite write =
        WriteMacroTransactions(MacroLibrary(UserFolder()).ReadContents(), deviceInfo_);
    if (write.infoRead) deviceInfo_ = write.info;
    return write.result;
}

void CZembravaKeyMappedDevice::StoreKeysOnDevice(std::function<void(KeyStoreResult)> done) {
    WriteKeys(storedKeys_, std::move(done));
}

void CZembravaKeyMappedDevice::WriteKeys(const std::vector<KeyAssignmentPair>& keys,
                                         std::function<void(KeyStoreResult)> done) {
    struct Outcome {
        MacroWrite macros;
        int keyMap = 0;
    };
    const std::optional<std::vector<uint8_t>> keyMap = KeyMapToWrite(keys);
    auto io = [this, library = MacroLibrary(UserFolder()).ReadContents(), info = deviceInfo_,
               keyMap] {
        Outcome outcome;
        outcome.macros = WriteMacroTransactions(library, info);
        if (keyMap) outcome.keyMap = WriteKeyMapTransactions(*keyMap, 0);
        return outcome;
    };
    auto apply = [this, writesKeyMap = keyMap.has_value(),
                  done = std::move(done)](const Outcome& outcome) {
        if (outcome.macros.infoRead) deviceInfo_ = outcome.macros.info;
        // A key map that did not reach the device is marked like any other
        // write, so the window says so.
        if (writesKeyMap) ReportWriteResult(DeviceWriteKind::KeyMap, outcome.keyMap);
        if (done) done(KeyStoreResult{outcome.macros.result, outcome.keyMap});
    };
    if (link_.Command().IsOpen() && RunOnDevice(io, apply)) return;
    // Nothing to come back to (a tool) or nothing open: at once.
    apply(io());
}

void CZembravaKeyMappedDevice::SetKeyAssignment(int index, const KeyAssignmentPair& record) {
    if (index < 0 || index >= static_cast<int>(keyAssignments_.size())) return;
    keyAssignments_[static_cast<size_t>(index)] = record;
    RefreshKeyCaptions();
}

void CZembravaKeyMappedDevice::SetKeyAssignments(const std::vector<KeyAssignmentPair>& records) {
    // The page has one record per key; a list of another length is not ours.
    if (records.size() != keyAssignments_.size()) return;
    keyAssignments_ = records;
    RefreshKeyCaptions();
}

bool CZembravaKeyMappedDevice::StoreKeysInProfile() {
    storedKeys_ = keyAssignments_;
    BasicProfile().SetKeyList(storedKeys_);
    return SaveProfile() > 0;
}

void CZembravaKeyMappedDevice::CommitKeys(
    std::function<void(KeyStoreResult, CommitResult)> done) {
    WriteKeys(keyAssignments_, [this, wanted = keyAssignments_, profile = GetProfileName(),
                                done = std::move(done)](KeyStoreResult result) {
        CommitResult outcome = CommitResult::Refused;
        // Keys made for a profile the user has left since are not stored in
        // the one shown now (its switch sends its own key map after them).
        if (result.keyMap > 0 && profile == GetProfileName()) {
            BasicProfile().SetKeyList(wanted);
            if (GetProfileName().empty() || SaveProfile() > 0) {
                storedKeys_ = wanted;
                outcome = CommitResult::Stored;
            } else {
                // The file keeps the old keys: so does the device.
                BasicProfile().SetKeyList(storedKeys_);
                QueueStoredKeyMapWrite(0);
                outcome = CommitResult::NotSaved;
            }
        }
        if (done) done(result, outcome);
    });
}

std::vector<std::string> CZembravaKeyMappedDevice::MacroNames() const {
    return MacroLibrary(UserFolder()).ReadNames();
}

// --- synchronisation ------------------------------------------------------------------

int CZembravaKeyMappedDevice::InitialSync() {
    const int read = ReadKeyMapFromDevice();
    const int finished = FinishInitialSync();
    return read == kChannelOk ? finished : read;
}

void CZembravaKeyMappedDevice::OnInitialSyncTimer() {
    const bool queued =
        link_.Command().IsOpen() && RunOnDevice([this] { return ReadKeyMapTransactions(); },
                                                 [this](const KeyMapReading& reading) {
                                                     TakeKeyMap(reading);
                                                     FinishInitialSync();
                                                 });
    if (!queued) FinishInitialSync();
}

void CZembravaKeyMappedDevice::BeginSyncRequest() {
    link_.Command().SetLightingHold(false);
    previousShadow_[0] = activeProfile_;
    std::copy(lightShadow_.bytes.begin(), lightShadow_.bytes.end(), previousShadow_.begin() + 1);
}

int CZembravaKeyMappedDevice::OnSyncRequest() {
    BeginSyncRequest();
    if (!link_.Command().IsOpen()) return 0;
    return TakeSettingsReading(ReadSettingsTransactions());
}

void CZembravaKeyMappedDevice::OnSyncRequestTimer() {
    BeginSyncRequest();
    if (!link_.Command().IsOpen()) return;
    RunOnDevice([this] { return ReadSettingsTransactions(); },
                [this](const SettingsReading& reading) { TakeSettingsReading(reading); });
}

CZembravaKeyMappedDevice::SettingsReading CZembravaKeyMappedDevice::ReadSettingsTransactions() {
    CHidCommandChannel& channel = link_.Command();
    SettingsReading reading;
    const auto group = channel.LockGroup();
    if (!LinkUp()) return reading;
    std::array<uint8_t, 1> active{};
    reading.result = channel.ReadMemory(active, 0);
    if (reading.result != kChannelOk) return reading;
    if (!LinkUp()) {
        reading.result = 0;
        return reading;
    }
    reading.activeProfile = active[0];
    reading.block.assign(SettingsReadSize(), 0);
    reading.result = channel.ReadMemory(reading.block, uint32_t{active[0]} * SettingsStride());
    return reading;
}

int CZembravaKeyMappedDevice::TakeSettingsReading(const SettingsReading& reading) {
    if (reading.result != kChannelOk || reading.block.size() != SettingsReadSize()) {
        // A partial read would put zeros into the profile: keep everything.
        DebugOutputF("settings read-back failed (%d)", reading.result);
        return reading.result == kChannelOk ? 0 : reading.result;
    }
    activeProfile_ = reading.activeProfile;
    return TakeSettingsBlock(reading.activeProfile, reading.block);
}

// --- panels and captions ------------------------------------------------------------------

void CZembravaKeyMappedDevice::BindKeyPanels(std::initializer_list<const char*> extraPanels) {
    keySetPanel_ = Find("KeySetControlItem");
    macroPanel_ = Find("MacroControlItem");
    if (keySetPanel_) keySetPanel_->SetVisible(false);
    std::vector<const char*> names = {"DeviceProfileItem", "LightControlItem",
                                      "KeySetControlItem", "MacroControlItem"};
    names.insert(names.end(), extraPanels.begin(), extraPanels.end());
    BindPanels(names);
}

void CZembravaKeyMappedDevice::SelectKey(int index) {
    CZembravaUSBDevice::SelectKey(index);
    if (!keySetPanel_ || index < 0 || index >= static_cast<int>(keyAssignments_.size())) return;
    keySetPanel_->SetVisible(true);
    if (IDevicePanel* panel = PanelOf(keySetPanel_)) panel->RefreshFromDevice();
}

std::string CZembravaKeyMappedDevice::KeyCaption(const KeyAssignment& assignment) {
    if (assignment.high == 0x20 && assignment.middle == 0 && assignment.low == 0) {
        return ResolveText("close_text");
    }
    std::string caption;
    for (const std::string& id : CodeTextIds(assignment)) {
        if (!caption.empty()) caption += "+";
        caption += ResolveText(id);
    }
    return caption;
}

std::vector<std::string> CZembravaKeyMappedDevice::CodeTextIds(
    const KeyAssignment& assignment) const {
    return keyboard::KeyCodeTextIds(assignment.high, assignment.middle, assignment.low);
}

void CZembravaKeyMappedDevice::BindLayoutCaptions() {
    layoutCaptionIds_.assign(static_cast<size_t>(GetKeyCount()), std::string());
    for (int i = 0; i < GetKeyCount(); ++i) {
        if (skin::CControlUI* button = KeyButton(i))
            layoutCaptionIds_[static_cast<size_t>(i)] = button->GetTextId();
    }
}

void CZembravaKeyMappedDevice::RefreshKeyCaptions() {
    for (size_t i = 0; i < keyAssignments_.size(); ++i) {
        skin::CControlUI* button = KeyButton(static_cast<int>(i));
        if (!button) continue;
        const std::string caption = KeyCaption(keyAssignments_[i].current);
        // A code the key-name table cannot name (the device's own function
        // keys) keeps the layout's caption rather than none.
        if (caption.empty() && i < layoutCaptionIds_.size() && !layoutCaptionIds_[i].empty())
            button->SetTextId(layoutCaptionIds_[i]);
        else
            button->SetText(caption);
    }
}

}  // namespace kelno
