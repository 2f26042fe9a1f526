// Test entry of the window tests: an offscreen application, then every test, or the child
// role a test started this binary again for.
#include "support/ChildRole.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    if (const char *role = std::getenv(testsupport::ChildRoleVariable))
        return testsupport::runChildRole(role);
    return RUN_ALL_TESTS();
}
