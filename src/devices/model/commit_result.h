#pragma once
// How a change the user made to a device's settings ended.

#include <functional>

namespace kelno {

enum class CommitResult {
    Stored,   // the device took it and the profile file holds it
    Refused,  // the device did not take it: nothing changed
    NotSaved  // the file could not be written: the device was given the stored state back
};

using CommitDone = std::function<void(CommitResult)>;

}  // namespace kelno
