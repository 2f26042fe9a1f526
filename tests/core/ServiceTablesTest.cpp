// The service tables against the printer's documents: the initial setting by model code, the
// backup's cells, and the exchange sequences as the printer receives them.
#include "CommandFixture.h"

#include "commands/ServiceTables.h"
#include "support/PacketQuery.h"
#include "support/ServiceCells.h"

#include <gmock/gmock.h>

#include <string>
#include <utility>
#include <vector>

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

std::vector<std::pair<int, int>> pairs(const std::vector<service::EepromCell> &cells)
{
    std::vector<std::pair<int, int>> result;
    for (const service::EepromCell &cell : cells)
        result.emplace_back(cell.address, cell.value);
    return result;
}

TEST(InitialSetting, CellsAndValuesFollowTheModelSize)
{
    const struct
    {
        uint16_t code;
        int cell95;
        int cell41;
    } models[] = { { 770, 0, 0 }, { 774, 0, 0 }, { 769, 0, 0 }, { 773, 0, 0 },
                   { 772, 2, 1 }, { 776, 2, 1 }, { 771, 2, 1 }, { 775, 2, 1 } };
    for (const auto &model : models) {
        SCOPED_TRACE(model.code);
        const auto rows = pairs(service::InitialSetting(model.code));
        EXPECT_EQ(rows.size(), 38u);
        EXPECT_EQ(rows, initialSettingRows(model.cell95, model.cell41));
    }
    for (const uint16_t outside : { 0, 768, 777, 0xFFFF })
        EXPECT_EQ(pairs(service::InitialSetting(outside)), InitialSettingSharedRows) << outside;
}

TEST(BackupCells, FiftySixCellsInTheirOrder)
{
    EXPECT_THAT(service::BackupCells(), ElementsAreArray(BackupCellOrder));
}

TEST(FactorySequence, RowsExpandAndNameTheirSteps)
{
    using namespace service;
    const FactorySequence steps
            = Sequence({ C5(2, 0, 77, 0), Wait(100), Times(3, CA(5)), Writes(7, 9, 4), C81() });
    std::vector<std::string> names;
    for (const FactoryStep &step : steps)
        names.push_back(step.name());
    EXPECT_THAT(names,
                ElementsAre("C5(2, 0, 77, 0)", "Wait(100)", "CA(5)", "CA(5)", "CA(5)", "W(7, 4)",
                            "W(8, 4)", "W(9, 4)", "81()"));
    EXPECT_TRUE(Sequence({ Times(0, C81()) }).empty());
}

class ExchangeSequence : public CommandFixture
{
protected:
    std::vector<std::string> sent() const { return PacketQuery(printer).factoryNames(); }
    std::vector<uint32_t> waits() const
    {
        std::vector<uint32_t> result;
        for (const uint32_t ms : platform.clock.sleeps)
            if (ms != 10) // the link's pause before each read
                result.push_back(ms);
        return result;
    }
};

TEST_F(ExchangeSequence, CarriageMovesWithTheirPauses)
{
    service::RunSequence(service::CarriageOut());
    EXPECT_THAT(sent(),
                ElementsAre("C5(2, 0, 77, 0)", "C4(5, 0, 2, 0)", "C4(5, 1, 4, 0)",
                            "C5(2, 1, 244, 1)", "C4(5, 0, 2, 0)", "C4(3, 0, 112, 1)"));
    EXPECT_THAT(waits(), ElementsAre(100));

    printer.clearReceived();
    platform.clock.sleeps.clear();
    service::RunSequence(service::CarriageHome());
    EXPECT_THAT(sent(), ElementsAre("C4(3, 1, 112, 1)", "C5(2, 1, 77, 0)"));
    EXPECT_THAT(waits(), ElementsAre(100));

    printer.clearReceived();
    platform.clock.sleeps.clear();
    service::RunSequence(service::CarriageOutAgain());
    EXPECT_THAT(sent(), ElementsAre("C5(2, 0, 77, 0)", "C4(3, 0, 112, 1)"));
    EXPECT_THAT(waits(), ElementsAre(100));
}

TEST_F(ExchangeSequence, ExchangeOneSendsItsTwentyNineCommands)
{
    service::RunSequence(service::Exchange1());
    const char *const expected[] = {
        "C4(5, 0, 2, 0)",     "C4(5, 1, 4, 0)",     "C5(2, 1, 244, 1)",   "C4(5, 0, 2, 0)",
        "C4(5, 0, 15, 0)",    "C5(33, 0, 52, 8)",   "C5(2, 1, 30, 0)",    "C4(5, 1, 22, 0)",
        "C5(32, 0, 48, 117)", "C5(32, 0, 48, 117)", "C5(32, 0, 48, 117)", "C5(32, 0, 48, 117)",
        "C5(32, 0, 48, 117)", "C5(32, 0, 176, 54)", "C5(2, 0, 30, 0)",    "CA(150)",
        "C9(0, 0, 184, 11)",  "C5(2, 1, 30, 0)",    "C4(5, 0, 22, 0)",    "C5(2, 1, 30, 0)",
        "C5(33, 0, 172, 13)", "C5(2, 1, 116, 4)",   "C4(3, 0, 38, 0)",    "CA(5)",
        "C4(5, 0, 57, 0)",    "C5(33, 0, 36, 19)",  "C5(2, 1, 74, 1)",    "81()",
        "C4(5, 0, 15, 0)",
    };
    static_assert(std::size(expected) == 29);
    EXPECT_THAT(sent(), ElementsAreArray(expected));
    EXPECT_THAT(waits(), ElementsAre(100)) << "the C9 command's own pause";
    EXPECT_EQ(printer.factory().invalidFrames(), 0);
}

TEST_F(ExchangeSequence, ExchangeTwoSendsItsFifteenCommands)
{
    service::RunSequence(service::Exchange2());
    const char *const expected[] = {
        "81()",
        "C4(5, 1, 7, 0)",
        "C4(5, 0, 22, 0)",
        "C5(2, 1, 30, 0)",
        "C5(33, 0, 72, 13)",
        "C5(2, 1, 30, 0)",
        "C4(3, 0, 38, 0)",
        "CA(5)",
        "C4(5, 0, 57, 0)",
        "C5(2, 1, 74, 1)",
        "81()",
        "81()",
        "C4(5, 1, 2, 0)",
        "C5(4, 0, 25, 0)",
        "C4(5, 0, 2, 0)",
    };
    static_assert(std::size(expected) == 15);
    EXPECT_THAT(sent(), ElementsAreArray(expected));
    EXPECT_TRUE(waits().empty());
}

TEST_F(ExchangeSequence, EepromResetWritesCellsZeroToFortyWithTheRowsCounter)
{
    for (const auto &[row, high, low] : { std::tuple{ 0, 11, 124 }, std::tuple{ 1, 11, 124 },
                                          std::tuple{ 2, 0, 0 }, std::tuple{ 3, 0, 0 } }) {
        SCOPED_TRACE(row);
        printer.clearReceived();
        printer.eeprom().fill(0xAA);
        service::RunSequence(service::ExchangeEepromReset(row));
        std::vector<std::string> expected = { "W(0, 16)" };
        for (int address = 1; address <= 8; ++address)
            expected.push_back("W(" + std::to_string(address) + ", 0)");
        expected.push_back("W(9, 4)");
        expected.push_back("W(10, " + std::to_string(high) + ")");
        expected.push_back("W(11, " + std::to_string(low) + ")");
        for (int address = 12; address <= 40; ++address)
            expected.push_back("W(" + std::to_string(address) + ", 0)");
        ASSERT_EQ(expected.size(), 41u);
        EXPECT_EQ(sent(), expected);
        EXPECT_EQ(printer.eeprom()[0], 0x10);
        EXPECT_EQ(printer.eeprom()[9], 4);
        EXPECT_EQ(printer.eeprom()[10] * 256 + printer.eeprom()[11], row < 2 ? 2940 : 0);
        EXPECT_EQ(printer.eeprom()[41], 0xAA) << "nothing beyond cell 40";
    }
}

} // namespace
