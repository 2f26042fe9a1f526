// What the package adds to the programs: --version on each, and the bash completion of
// cantra-service, which reads the program's own --help.
#include "PtyPrinter.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace e2e;
using ::testing::ContainerEq;
using ::testing::IsSupersetOf;
using ::testing::MatchesRegex;

namespace {

namespace fs = std::filesystem;

TEST(InstalledPrograms, VersionNamesTheProgramTheVersionAndTheCommit)
{
    const std::vector<std::pair<std::string, std::string>> programs = {
        { "cantra-service", CANTRA_SERVICE_PATH },
        { "cantra-probe", CANTRA_PROBE_PATH },
        { "cantra-vprinter", CANTRA_VPRINTER_PATH },
#ifdef CANTRA_ADJUST_PATH
        { "cantra-adjust", CANTRA_ADJUST_PATH },
#endif
    };
    for (const auto &[name, path] : programs) {
        const RunResult result = runProgram({ path, "--version" }, {}, std::chrono::seconds(30));
        EXPECT_EQ(result.exitCode, 0) << name << result.err;
        EXPECT_THAT(result.out,
                    MatchesRegex(name + " " CANTRA_PROJECT_VERSION " \\(commit [^ ()]+\\)\n"));
    }
}

// Completes the words of a command line whose last word is being typed, as bash would on Tab.
std::vector<std::string> complete(const std::vector<std::string> &words, const fs::path &cwd)
{
    std::string line = "COMP_WORDS=(" + std::string(CANTRA_SERVICE_PATH);
    for (const std::string &word : words)
        line += " '" + word + "'";
    line += "); COMP_CWORD=" + std::to_string(words.size());
    const std::string script = "cd '" + cwd.string()
            + "' && source '" CANTRA_COMPLETION_PATH "' && " + line
            + " && _cantra_service && printf '%s\\n' \"${COMPREPLY[@]}\"";
    const RunResult result
            = runProgram({ "/bin/bash", "-c", script }, {}, std::chrono::seconds(30));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<std::string> replies;
    std::istringstream lines(result.out);
    for (std::string reply; std::getline(lines, reply);)
        if (!reply.empty())
            replies.push_back(reply);
    std::sort(replies.begin(), replies.end());
    return replies;
}

TEST(InstalledPrograms, CompletionOffersCommandsOptionsPortsRowsAndFiles)
{
    const fs::path cwd = fs::temp_directory_path() / "cantra-completion";
    fs::create_directories(cwd);
    std::ofstream(cwd / "printer-1234.bin").put('\0');
    using Words = std::vector<std::string>;
    EXPECT_THAT(complete({ "" }, cwd),
                IsSupersetOf({ "status", "eeprom", "counter", "head-id", "bid", "clean",
                               "ink-charge", "print" }));
    EXPECT_THAT(complete({ "eeprom", "" }, cwd),
                ContainerEq(Words{ "dump", "initial-setting", "read", "restore", "write" }));
    EXPECT_THAT(complete({ "--port", "virtual", "counter", "" }, cwd),
                ContainerEq(Words{ "reset" }));
    EXPECT_THAT(complete({ "print", "" }, cwd),
                ContainerEq(Words{ "a4", "bid", "nozzle-check", "top-margin" }));
    EXPECT_THAT(complete({ "status", "--port", "" }, cwd),
                ContainerEq(Words{ "LPT1", "LPT2", "LPT3", "virtual" }));
    EXPECT_THAT(complete({ "print", "a4", "--model", "" }, cwd),
                ContainerEq(Words{ "0", "1", "2", "3" }));
    EXPECT_THAT(complete({ "usb-id", "--model", "" }, cwd),
                ContainerEq(Words{ "769", "771", "773", "775" }));
    EXPECT_THAT(
            complete({ "status", "--" }, cwd),
            ContainerEq(Words{ "--brief", "--help", "--json", "--port", "--trace", "--version" }));
    EXPECT_THAT(complete({ "eeprom", "restore", "--b" }, cwd),
                ContainerEq(Words{ "--backup-cells" }));
    EXPECT_THAT(complete({ "eeprom", "dump", "pr" }, cwd),
                ContainerEq(Words{ "printer-1234.bin" }));
    EXPECT_THAT(complete({ "status", "" }, cwd), ContainerEq(Words{}));
    fs::remove_all(cwd);
}

} // namespace
