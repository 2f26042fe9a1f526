// Test entry of the tests on a real X server: a private Xvfb with no window manager, as a bare
// virtual screen is, and the application on it through the xcb platform.
#include <QApplication>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Starts Xvfb on a display number it picks itself; 0 when it cannot be started.
pid_t startXvfb(std::string &display)
{
    int fds[2];
    if (pipe(fds) != 0)
        return 0;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
               "-nolisten", "tcp", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char number[16] = {};
    size_t got = 0;
    while (pid > 0 && got < sizeof number - 1 && !std::strchr(number, '\n')) {
        const ssize_t n = read(fds[0], number + got, sizeof number - 1 - got);
        if (n <= 0)
            break;
        got += size_t(n);
    }
    close(fds[0]);
    if (pid > 0 && !std::strchr(number, '\n')) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return 0;
    }
    display = ":" + std::string(number, std::strcspn(number, "\n"));
    return pid > 0 ? pid : 0;
}

} // namespace

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
    std::string display;
    const pid_t server = startXvfb(display);
    if (!server) {
        std::fprintf(stderr, "x11_tests: Xvfb could not be started (make test installs it)\n");
        return 1;
    }
    qputenv("DISPLAY", display.c_str());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int result = 1;
    {
        QApplication application(argc, argv);
        result = RUN_ALL_TESTS();
    }
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    return result;
}
