// The line settings: the tables the Settings dialog lists in their rows, what
// each flow-control choice writes into the port's control block, and the
// write time-out fixed at the open.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "serial/line_settings.h"

TEST(LineSettings, TablesHoldThePortCodesInTheDialogsRowOrder)
{
    const std::vector<uint32_t> rates(BaudTable, BaudTable + BAUD_ROWS);
    EXPECT_EQ(rates, (std::vector<uint32_t>{110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000,
                                            128000, 256000}));
    // "None", "Even", "Odd", "Mark", "Space" with the port's codes 0, 2, 1, 3, 4:
    // choosing "Odd" (row 2) stores parity code 1.
    const std::vector<uint32_t> parities(ParityTable, ParityTable + PARITY_ROWS);
    EXPECT_EQ(parities, (std::vector<uint32_t>{0, 2, 1, 3, 4}));
    const std::vector<uint32_t> stopBits(StopBitsTable, StopBitsTable + STOPBITS_ROWS);
    EXPECT_EQ(stopBits, (std::vector<uint32_t>{0, 1, 2}));
}

TEST(LineSettings, EachFlowControlBitDrivesItsOwnHandshake)
{
    // The record's bits as the Settings dialog and the record describe them.
    EXPECT_EQ(FlowControlBits(true, false, false), 1);
    EXPECT_EQ(FlowControlBits(false, true, false), 2);
    EXPECT_EQ(FlowControlBits(false, false, true), 4);
    for (int choice = 0; choice < 8; ++choice) {
        const bool dtr = choice / 4 % 2, rts = choice / 2 % 2, soft = choice % 2;
        SCOPED_TRACE(std::string(dtr ? "DTR/DSR " : "") + (rts ? "RTS/CTS " : "") + (soft ? "XON/XOFF" : ""));
        const LineControl c = LineControlFor({9600, 8, 0, 0, FlowControlBits(dtr, rts, soft)});
        EXPECT_EQ(c.outxDsrFlow, dtr);
        EXPECT_EQ(c.dtrControl, dtr ? LINE_DTR_HANDSHAKE : LINE_DTR_ENABLE);
        EXPECT_EQ(c.outxCtsFlow, rts);
        EXPECT_EQ(c.rtsControl, rts ? LINE_RTS_HANDSHAKE : LINE_RTS_ENABLE);
        EXPECT_EQ(c.outX, soft);
        EXPECT_EQ(c.inX, soft);
    }
}

TEST(LineSettings, TheControlBlockCarriesTheLineAndFixedFlowLimits)
{
    const LineControl c = LineControlFor({19200, 7, 1, 2, FLOWCTRL_SOFT});
    EXPECT_EQ(c.baudRate, 19200u);
    EXPECT_EQ(c.byteSize, 7);
    EXPECT_EQ(c.parity, 1);
    EXPECT_EQ(c.stopBits, 2);
    EXPECT_EQ(c.xonChar, 0x11);
    EXPECT_EQ(c.xoffChar, 0x13);
    EXPECT_EQ(c.xonLim, 100);
    EXPECT_EQ(c.xoffLim, 100);
    EXPECT_TRUE(c.binary);
    EXPECT_TRUE(c.parityCheck) << "parity is checked even with no parity";
}

TEST(LineSettings, WriteTimeOutIsAboutTwoCharacterTimesAndOffFrom38400)
{
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {
        {110, 174}, {300, 64}, {600, 32}, {1200, 16}, {2400, 8}, {4800, 4}, {9600, 2},
        {14400, 1}, {19200, 1}, {38400, 0}, {56000, 0}, {128000, 0}, {256000, 0}, {0, 0}};
    for (const auto& [rate, multiplier] : expected) EXPECT_EQ(WriteTimeoutMultiplier(rate), multiplier) << rate;
}
