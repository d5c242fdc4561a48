#pragma once
// What the key assignment panel and the macro editor need of a device whose
// keys can be given new functions (the keyboard; the mouse joins later):
// its key records, its macro library and the writes that store them.
// Devices answer GetInterface(kInterface).

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "devices/model/commit_result.h"
#include "profiles/profile_records.h"

namespace kelno {

class IKeyAssignmentDevice {
  public:
    static constexpr const char* kInterface = "KeyAssignmentDevice";
    // WriteMacros results besides 0 (written) and a positive overflow count.
    static constexpr int kMacroImageUnallocated = -1;
    static constexpr int kMacroWriteFailed = -2;  // the channel refused the image
    // The files hold more macros or events than a device plays: nothing is
    // sent rather than macros cut short.
    static constexpr int kMacrosBeyondLimits = -3;
    virtual ~IKeyAssignmentDevice() = default;

    // One record per page key: current assignment, then the default.
    virtual const std::vector<KeyAssignmentPair>& GetKeyAssignments() const = 0;
    // Replaces page key `index`'s record and refreshes its caption. The
    // records are the user's edits until CommitKeys stores them.
    virtual void SetKeyAssignment(int index, const KeyAssignmentPair& record) = 0;
    // Replaces every record (an edit like SetKeyAssignment).
    virtual void SetKeyAssignments(const std::vector<KeyAssignmentPair>& records) = 0;
    // The folder of the device's macro library and the macros' names in order.
    virtual std::filesystem::path MacroFolder() const = 0;
    virtual std::vector<std::string> MacroNames() const = 0;

    // What storing the keys on the device brought: the macro write's result
    // (as WriteMacros gives it) and the key map write's (1 when written).
    struct KeyStoreResult {
        int macros = 0;
        int keyMap = 0;
    };
    // Writes the macro library, then the stored key records, on the device
    // worker after every write queued before them, so a device that does
    // not answer never holds the window. `done` runs on the UI thread with
    // both results; it does not run when the device went away meanwhile.
    virtual void StoreKeysOnDevice(std::function<void(KeyStoreResult)> done) = 0;
    // The user's records to the device and then the profile: written as
    // StoreKeysOnDevice writes them, and stored in the profile only when the
    // device took the key map. Refused, the profile keeps what it held and
    // the records stay the user's edits; not saved, the device is given the
    // stored key map back. `done` hears both write results and the outcome.
    virtual void CommitKeys(std::function<void(KeyStoreResult, CommitResult)> done) = 0;
    // The records as they are into the profile and its file at once, for a
    // change on disk they must follow whatever the device says (macros that
    // moved in the library). False when the file was not written.
    virtual bool StoreKeysInProfile() = 0;
};

}  // namespace kelno
