#pragma once
// Marks a panel as changing its own controls for as long as the scope
// lives: the panel's handlers ignore the notifications those changes
// raise, so code-driven updates never re-enter them.

namespace kelno {

class UpdateScope {
  public:
    explicit UpdateScope(int& depth) : depth_(depth) { ++depth_; }
    ~UpdateScope() { --depth_; }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

  private:
    int& depth_;
};

}  // namespace kelno
