#pragma once

#include <functional>
#include <string>
#include <vector>

namespace fendix::testing {

// The user whose rights the permission checks run with when the tests run as root:
// nobody, whom file permissions stop.
constexpr unsigned OrdinaryUserId = 65534;

// Runs `check` in a child process with the rights of an ordinary user: nobody when the
// tests run as root (permissions do not stop root), the same user otherwise. When the
// tests run as root, `folder` and everything in it are given to that user first, so that
// the permission bits the test set are the ones that stop it (an empty `folder` gives
// nothing, for a test that sets the owners itself), and the user is a member of `groups`
// besides its own. Returns what `check` returned, "" when everything held, or how the
// child failed.
std::string AsOrdinaryUser(const std::string& folder, const std::function<std::string()>& check,
                           const std::vector<unsigned>& groups = {});

} // namespace fendix::testing
