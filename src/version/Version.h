// What a program says to --version: its name, the project's version and the commit it was
// built from, so a report from the field can be matched with the source that made it.
#pragma once

#include <string>

namespace version {

// The project's version, e.g. "1.0".
const char *number();
// The commit the build was made from ("unknown" outside a git checkout), with "-dirty" when
// the checkout had changes of its own.
const char *commit();
// The one line --version prints: "cantra-service 1.0 (commit 2eb34ca7fd5b)".
std::string line(const std::string &program);

} // namespace version
