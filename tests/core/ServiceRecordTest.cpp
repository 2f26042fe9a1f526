// The files the program keeps in its data folder (board backups, the service record) and what
// the link tells them: a lost link, data packets that went without credit, a port that is gone.
#include "support/LinkFixture.h"

#include "commands/Dizizeded.h"
#include "commands/Zadivavoza.h"
#include "link/Roro4dodu.h"
#include "link/Vuviredorizaduzu.h"
#include "records/BoardBackup.h"
#include "records/DataFolder.h"
#include "records/Json.h"
#include "records/ServiceRecord.h"
#include "vprinter/ServicedPrinter.h"
#include "vprinter/VirtualPort.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <fstream>
#include <optional>

using namespace testsupport;
using ::testing::HasSubstr;
using ::testing::SizeIs;

namespace {

namespace fs = std::filesystem;
using records::json::Value;

// Sets or clears an environment variable for the length of a scope.
class EnvVar
{
public:
    EnvVar(const char *name, const char *value) : m_name(name)
    {
        if (const char *old = std::getenv(name))
            m_old = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~EnvVar() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }

private:
    const char *m_name;
    std::optional<std::string> m_old;
};

TEST(DataFolder, FollowsTheEnvironmentOfThePlatform)
{
    const struct
    {
        const char *own, *xdg, *home, *expected;
    } cases[] = { { "/srv/cantra", "/x", "/h", "/srv/cantra" },
                  { nullptr, "/x", "/h", "/x/cantra" },
                  { nullptr, nullptr, "/h", "/h/.local/share/cantra" },
                  { nullptr, nullptr, nullptr, "" } };
    for (const auto &c : cases) {
        const EnvVar own("CANTRA_DATA_DIR", c.own), xdg("XDG_DATA_HOME", c.xdg),
                home("HOME", c.home);
        EXPECT_EQ(records::dataFolder(), fs::path(c.expected));
    }
}

class Records : public LinkFixture
{
protected:
    Records()
    {
        printer.eeprom() = vprinter::servicedEeprom();
        startLink();
        records::setModel("Cantra R70PA", 770);
    }
    Value lastLine() const
    {
        const auto lines = recordLines(platform.dataFolder);
        EXPECT_FALSE(lines.empty());
        const auto value = records::json::parse(lines.empty() ? "" : lines.back());
        EXPECT_TRUE(value);
        return value.value_or(Value{});
    }
    static std::string cell(const Value &line, size_t i, const char *key)
    {
        const Value *cells = line.find("cells");
        return cells && i < cells->items.size() ? cells->items[i].textOf(key) : "(none)";
    }
};

TEST_F(Records, AJobIsOneLineWithEachCellBeforeAndAfterAndThePrintersIds)
{
    HeadID.ReadHeadId();
    D4Link.ReadEepromByte(0x2E);
    {
        records::Job job("EEPROM change");
        job.note("step", "first");
        D4Link.WriteEepromByte(0x2E, 0x05);
        D4Link.WriteEepromByte(0x30, 0x07);
    }
    ASSERT_THAT(recordLines(platform.dataFolder), SizeIs(1));
    const Value line = lastLine();
    EXPECT_EQ(line.textOf("item"), "EEPROM change");
    EXPECT_EQ(line.textOf("step"), "first");
    EXPECT_EQ(line.textOf("program"), "cantra-adjust");
    EXPECT_EQ(line.textOf("time"), "2026-12-08 10:00:00");
    EXPECT_EQ(line.textOf("model"), "Cantra R70PA");
    EXPECT_EQ(line.textOf("port"), "LPT1");
    EXPECT_EQ(line.textOf("device"), "virtual");
    EXPECT_EQ(line.textOf("headId"), std::string(HeadID.ReadHeadId()));
    EXPECT_EQ(line.find("usbId")->kind, Value::Kind::Null) << "its cells were never read";
    EXPECT_EQ(cell(line, 0, "cell"), "2E");
    EXPECT_EQ(cell(line, 0, "before"), "FB") << "-5, as read before";
    EXPECT_EQ(cell(line, 0, "after"), "05");
    EXPECT_EQ(cell(line, 0, "answer"), "done");
    EXPECT_EQ(line.find("cells")->items[1].find("before")->kind, Value::Kind::Null);
    EXPECT_TRUE(line.find("acknowledged")->boolean);
    EXPECT_EQ(line.textOf("result"), "acknowledged");
    EXPECT_EQ(printer.eeprom()[0x2E], 0x05) << "the record sent nothing of its own";
}

TEST_F(Records, DataChannelWritesSayWhetherTheyHadCreditAndAreNeverAcknowledged)
{
    const struct
    {
        bool zeroCredit;
        const char *answer;
        bool delivered;
    } cases[] = { { false, "sent", true }, { true, "no credit", false } };
    for (const auto &c : cases) {
        D4Link.OpenChannel(DataSocket); // no credit held: the write asks for it
        printer.faults().zeroCredit = c.zeroCredit;
        const DataDelivery delivery;
        Factory.FactoryWriteEeprom(0x2E, 0x05);
        EXPECT_EQ(delivery.complete(), c.delivered);
        const Value line = lastLine();
        EXPECT_EQ(line.textOf("item"), "EEPROM write on the data channel");
        EXPECT_EQ(cell(line, 0, "answer"), c.answer);
        EXPECT_FALSE(line.find("acknowledged")->boolean);
        EXPECT_EQ(line.textOf("result"), c.answer);
    }
}

TEST_F(Records, ARecordThatCannotBeWrittenIsOneWarningAndTheWriteGoesOn)
{
    const fs::path blocker = platform.dataFolder / "not-a-folder";
    fs::create_directories(platform.dataFolder);
    std::ofstream(blocker) << "a file where the data folder should be";
    records::setDataFolder(blocker);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(D4Link.WriteEepromByte(0x2E, 0x05), ReplyDone);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_THAT(err, HasSubstr("warning: the service record was not written"));
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    EXPECT_EQ(printer.eeprom()[0x2E], 0x05);
}

TEST_F(Records, AForcedExitStillWritesTheJobThatWasRunning)
{
    printer.faults().answerChar = 'X';
    {
        records::Job job("EEPROM change");
        EXPECT_THROW(D4Link.WriteEepromByte(0x2E, 0x05), ProcessExit);
    }
    ASSERT_THAT(recordLines(platform.dataFolder), SizeIs(1));
    EXPECT_EQ(cell(lastLine(), 0, "answer"), "answered");
}

TEST_F(Records, BackupFilesRoundTripAndTheNewestNotWrittenBackIsFound)
{
    records::BoardBackup older{ "2026-12-08 09:00:00",
                                "Cantra R50PA",
                                772,
                                "LPT2",
                                "/dev/lp1",
                                { { 10, 0x0D }, { 11, 0x54 } },
                                "",
                                {} };
    records::BoardBackup newer = older;
    newer.time = "2026-12-08 10:00:00";
    newer.cells = { { 46, 0xF6 } };
    std::string error;
    ASSERT_TRUE(records::saveBackup(older, error)) << error;
    ASSERT_TRUE(records::saveBackup(newer, error)) << error;
    EXPECT_EQ(records::newestUnrestored()->file, newer.file);

    ASSERT_TRUE(records::markRestored(newer, "2026-12-08 11:00:00", error)) << error;
    records::BoardBackup loaded;
    ASSERT_TRUE(records::loadBackup(newer.file, loaded, error)) << error;
    EXPECT_EQ(loaded.restored, "2026-12-08 11:00:00");
    EXPECT_EQ(loaded.cells, newer.cells);
    const auto found = records::newestUnrestored();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->cells, older.cells);
    EXPECT_EQ(found->model, "Cantra R50PA");
    EXPECT_EQ(found->port, "LPT2");
    EXPECT_TRUE(records::looksLikeBackup(found->file));
    EXPECT_FALSE(fs::exists(fs::path(newer.file) += ".part"));
}

TEST_F(Records, DamagedBackupFilesAreRefusedWithTheReason)
{
    const std::string head = R"x({"kind": "cantra EEPROM backup", "time": "t", )x";
    const struct
    {
        std::string text;
        const char *why;
    } cases[] = {
        { R"x({"kind": "cantra EEPROM backup", "cells": {"0A": "0D")x", "not a JSON object" },
        { R"x({"kind": "image", "cells": {"0A": "0D"}})x", "\"kind\"" },
        { head + R"x("cells": {}})x", "no cells" },
        { head + R"x("cells": {"0A": "0G"}})x", "cell \"0A\"" },
        { head + R"x("cells": {"0A": "0D", "0a": "0E"}})x", "stands twice" },
        { head + R"x("cellCount": 56, "cells": {"0A": "0D"}})x", "not the count" },
    };
    const fs::path file = platform.dataFolder / "damaged.json";
    fs::create_directories(platform.dataFolder);
    for (const auto &c : cases) {
        std::ofstream(file) << c.text;
        records::BoardBackup backup;
        std::string error;
        EXPECT_FALSE(records::loadBackup(file, backup, error)) << c.text;
        EXPECT_THAT(error, HasSubstr(c.why));
    }
}

// A printer that stops answering leaves the link lost until it is started again; a port that
// cannot be opened then is no fatal error.
TEST_F(Records, ALostLinkIsKnownAndStartedAgainWithoutEndingTheProgram)
{
    printer.faults().silent = true;
    D4Link.GetPrinterStatus();
    EXPECT_TRUE(D4Link.LinkLost());

    platform::systemPorts().setVirtualFactory([] { return nullptr; });
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(D4Link.StartAgain(0));
    EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("Cannot open port LPT1"));
    EXPECT_TRUE(platform.process.exits.empty());
    EXPECT_TRUE(platform.dialogs.shown.empty());
    EXPECT_TRUE(D4Link.LinkLost());

    vprinter::bindVirtualPorts(printer, true);
    printer.faults().silent = false;
    printer.switchOff();
    printer.switchOn();
    EXPECT_TRUE(D4Link.StartAgain(0));
    EXPECT_FALSE(D4Link.LinkLost());
    EXPECT_TRUE(printer.channelOpen(DataSocket));
    D4Link.GetPrinterStatus();
    EXPECT_EQ(PrinterStatus, psReady);
}

} // namespace
