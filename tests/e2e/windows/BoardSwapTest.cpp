// The main board backup through the real POSIX port against cantra-vprinter on a
// pseudo-terminal: the program is killed while it asks for the board swap, the old board's
// printer gives way to a blank one, and the program started again writes the backup back.
#include "e2e/PtyPrinter.h"
#include "gui/ShellFixture.h"
#include "support/ChildRole.h"
#include "support/ServiceCells.h"
#include "support/TestPlatform.h"

#include "link/Roro4dodu.h"
#include "records/BoardBackup.h"
#include "records/DataFolder.h"
#include "shell/DovIvid.h"
#include "shell/FormControls.h"
#include "shell/RidAzidoz.h"
#include "shell/VorAvov.h"
#include "vprinter/ServicedPrinter.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <gmock/gmock.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

using namespace testsupport;
using namespace e2e;

namespace {

constexpr const char *Role = "backup-until-killed";
constexpr const char *DataVariable = "CANTRA_TEST_DATA";
constexpr const char *MarkerVariable = "CANTRA_TEST_MARKER";
const char *const ReplaceQuestion
        = "After replacing MAIN Board and turn on power. click the OK button.";

void connectWindows()
{
    freshWindows();
    FormBoot->ModelNameCombo->setCurrentIndex(0);
    FormBoot->UsePortCombo->setCurrentIndex(0);
    FormBoot->PortSelectOKBtnClick();
}

// The program of the first day: backup item, OK, and at the swap question a mark for the test,
// which then kills it.
int backupUntilKilled()
{
    TestPlatform platform;
    records::setDataFolder(std::getenv(DataVariable));
    connectWindows();
    if (!FormAdjust->isVisible())
        return 3;
    FormAdjust->AdjustmentTab->setCurrentWidget(FormAdjust->TabSheet2);
    FormAdjust->MentRdoGrp->button(5)->click();
    platform.dialogs.whileShown = [](const platform::Message &message) {
        if (message.text != ReplaceQuestion)
            return;
        std::ofstream(std::getenv(MarkerVariable)) << "question up\n";
        for (;;)
            ::pause();
    };
    FormAdjust->findChild<QPushButton *>("BackupOKBtn")->click();
    return 4;
}
const ChildRole registered(Role, backupUntilKilled);

// Starts this test binary again in the role; the environment is made before the fork.
pid_t startChild(const std::vector<std::string> &extra)
{
    std::vector<std::string> variables = extra;
    for (char **v = environ; *v; ++v)
        variables.emplace_back(*v);
    std::vector<char *> envp;
    for (std::string &v : variables)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    char program[] = "/proc/self/exe";
    char *argv[] = { program, nullptr };
    const pid_t pid = fork();
    if (pid == 0) {
        ::execve(program, argv, envp.data());
        _exit(127);
    }
    return pid;
}

bool waitForFile(const fs::path &file, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!fs::exists(file)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

TEST(BoardSwap, ProgramKilledAtTheSwapQuestionWritesTheBackupBackWhenStartedAgain)
{
    const Lpt1OnLink lpt1;
    const PortTimeDivisor shorter{ 20 };
    const fs::path data = lpt1.dir.path / "data";
    const fs::path marker = lpt1.dir.path / "question-up";
    const fs::path oldImage = lpt1.dir.path / "old-board.bin";
    const vprinter::EepromImage oldBoard = vprinter::servicedEeprom();
    std::ofstream(oldImage, std::ios::binary)
            .write(reinterpret_cast<const char *>(oldBoard.data()),
                   std::streamsize(oldBoard.size()));

    auto printer = std::make_unique<VirtualPrinterProcess>(
            lpt1.link, lpt1.trace, std::vector<std::string>{ "--eeprom", oldImage.string() });
    const pid_t child = startChild({ std::string(ChildRoleVariable) + "=" + Role,
                                     std::string(DataVariable) + "=" + data.string(),
                                     std::string(MarkerVariable) + "=" + marker.string() });
    ASSERT_GT(child, 0);
    const bool asked = waitForFile(marker, std::chrono::seconds(60));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(asked) << "the program never asked for the swap";
    EXPECT_TRUE(WIFSIGNALED(status));

    // The swap: the old board's printer goes, a blank one (all cells FF) comes on the same port.
    printer.reset();
    VirtualPrinterProcess newBoard(lpt1.link, lpt1.dir.path / "new-board-trace.txt");

    TestPlatform platform;
    records::setDataFolder(data);
    ASSERT_TRUE(records::newestUnrestored()) << "the backup outlived the program";
    platform.dialogs.answers = { platform::MessageAnswer::Yes };
    connectWindows();
    ASSERT_TRUE(FormAdjust->isVisible());
    // A blank board's counter asks for maintenance: the backup item is on the recovery list.
    if (FormAdjust->PrinterErrorMode) {
        FormAdjust->AdjustRdoGrp->button(3)->click();
    } else {
        FormAdjust->AdjustmentTab->setCurrentWidget(FormAdjust->TabSheet2);
        FormAdjust->MentRdoGrp->button(5)->click();
    }
    ASSERT_EQ(platform.dialogs.shown.size(), 1u);
    EXPECT_THAT(platform.dialogs.shown[0].text, ::testing::StartsWith("The EEPROM backup data"));
    EXPECT_EQ(FormAdjust->StatusMemo->toPlainText(), "Writing backup data succeeded.");
    EXPECT_FALSE(records::newestUnrestored());
    FormAdjust->close();

    // What the new board holds, read by another program.
    const fs::path dump = lpt1.dir.path / "new-board.bin";
    const RunResult read
            = runProgram({ CANTRA_SERVICE_PATH, "eeprom", "dump", dump.string() },
                         { { "CANTRA_DATA_DIR", data.string() } }, std::chrono::seconds(120));
    ASSERT_EQ(read.exitCode, 0) << read.err;
    const std::string image = readFile(dump);
    ASSERT_EQ(image.size(), 256u);
    int right = 0;
    for (const int cell : BackupCellOrder)
        right += uint8_t(image[size_t(cell)]) == oldBoard[size_t(cell)];
    EXPECT_EQ(right, 56) << "of the 56 backed-up cells";
    EXPECT_EQ(uint8_t(image[0]), 0xFF) << "nothing beyond them";
    FormQuit->hide();
}

} // namespace
