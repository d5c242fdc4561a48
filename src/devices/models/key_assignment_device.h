#pragma once
// What the key assignment panel and the macro editor need of a device whose
// keys can be given new functions (the keyboard; the mouse joins later):
// its key records, its macro library and the writes that store them.
// Devices answer GetInterface(kInterface).

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

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
    // Replaces page key `index`'s record and refreshes its caption.
    virtual void SetKeyAssignment(int index, const KeyAssignmentPair& record) = 0;
    // Replaces every record (stored in the profile on the next save).
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
};

}  // namespace kelno
