// A test that needs the program to run, and die, in a process of its own starts this test
// binary again with CANTRA_TEST_CHILD naming a role; the binary's entry then runs that role in
// place of the tests, with the same windows and doubles the tests have.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <string>

namespace testsupport {

inline constexpr const char *ChildRoleVariable = "CANTRA_TEST_CHILD";

inline std::map<std::string, std::function<int()>> &childRoles()
{
    static std::map<std::string, std::function<int()>> roles;
    return roles;
}

// Registers a role at program start, from a namespace-scope object of the test file.
struct ChildRole
{
    ChildRole(const std::string &name, std::function<int()> role)
    {
        childRoles()[name] = std::move(role);
    }
};

// The exit code of the role, or 127 for a name no file registered.
inline int runChildRole(const std::string &name)
{
    const auto role = childRoles().find(name);
    if (role == childRoles().end()) {
        std::fprintf(stderr, "no test child role '%s'\n", name.c_str());
        return 127;
    }
    return role->second();
}

} // namespace testsupport
