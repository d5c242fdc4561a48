#pragma once
// A private X server for tests that need a display: Xvfb on a display number
// it picks itself (-displayfd), stopped when the object goes away.

#include <sys/types.h>

#include <string>

namespace kelno::skin::test {

class XvfbDisplay {
  public:
    XvfbDisplay();
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    // ":<n>" once the server runs; empty when it could not start (reason()
    // says why, e.g. Xvfb is not installed).
    const std::string& Name() const { return name_; }
    bool Running() const { return !name_.empty(); }
    const std::string& Reason() const { return reason_; }

  private:
    pid_t pid_ = -1;
    std::string name_;
    std::string reason_;
};

// Whether a top-level window titled `title` is mapped and viewable on the
// display (what a user would see; there is no window manager on Xvfb).
bool IsTopLevelWindowViewable(const std::string& display, const std::string& title);

// Finds a program on PATH; empty when missing.
std::string FindProgram(const std::string& name);

}  // namespace kelno::skin::test
