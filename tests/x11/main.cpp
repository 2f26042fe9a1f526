// Test entry of the tests on a real X server: a private Xvfb with no window manager, as a bare
// virtual screen is, and the application on it through the xcb platform.
#include <QApplication>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>

// The X client libraries' own allocations for the life of the process (the session bus
// connection); what ctest passes of the tests' environment does not carry the suppression file.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    // Xvfb picks a free display itself and names it on descriptor 3 once it takes clients; the
    // shell waits for it, so that it is reaped when it ends.
    FILE *server = popen("Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>&1 >/dev/null "
                         "2>&1 & echo $!; wait",
                         "r");
    long pid = 0;
    long display = -1;
    if (!server || std::fscanf(server, "%ld %ld", &pid, &display) != 2) {
        std::fprintf(stderr, "x11_tests: Xvfb could not be started (make test installs it)\n");
        return 1;
    }
    qputenv("DISPLAY", (":" + std::to_string(display)).c_str());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int result = 1;
    {
        QApplication application(argc, argv);
        result = RUN_ALL_TESTS();
    }
    kill(pid_t(pid), SIGTERM);
    pclose(server);
    return result;
}
