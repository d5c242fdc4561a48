#pragma once
// Tests run as root, who reads every file whatever its mode. To see what the
// program does with a file it may not read (chmod 000), the code under test
// runs in a child process that has given up those rights.

#include <functional>

namespace kelno::test {

// Runs `body` in a forked child; as root, the child first switches to the
// ids of "nobody" (65534), so file modes apply to it. Returns what `body`
// returned, or -1 when the child did not end normally. The folders the body
// writes to must be open to everyone (0777) for that.
int RunUnprivileged(const std::function<int()>& body);

}  // namespace kelno::test
