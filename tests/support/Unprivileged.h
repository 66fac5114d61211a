#pragma once

#include <QString>
#include <functional>

// Permission checks do not apply to root, and the tests may run as root. These helpers run a
// piece of a test as an ordinary user (nobody, 65534) in a child process.

// Exit code of RunUnprivileged when the child could not become the ordinary user.
constexpr int CannotDropPrivileges = 125;

// Runs `body` in a forked child, as user and group 65534 when the test runs as root (as itself
// otherwise), and returns the child's exit code: `body`'s result (keep it below 125), or
// CannotDropPrivileges, or -1 when no child could be started. The child must not use the test
// framework's assertions: it reports through its result.
int RunUnprivileged(const std::function<int()>& body);

// When the test runs as root, hands `path` and everything under it to user and group 65534, so
// that the child of RunUnprivileged owns what the test prepared. Returns success.
bool GiveToUnprivilegedUser(const QString& path);
