#pragma once

#include <QString>
#include <functional>

// Permission checks do not apply to root, and the tests may run as root: these run a piece of a
// test as an ordinary user (nobody, 65534) in a forked child, which reports through its exit code
// (not the test framework's assertions).

// Exit code of RunUnprivileged when the child could not become the ordinary user.
constexpr int CannotDropPrivileges = 125;

// `body`'s result (keep it below 125), CannotDropPrivileges, or -1 when no child could be started.
// As root the child runs as user and group 65534, otherwise as the test itself.
int RunUnprivileged(const std::function<int()>& body);

// As root, hands `path` and everything under it to user and group 65534. Returns success.
bool GiveToUnprivilegedUser(const QString& path);
