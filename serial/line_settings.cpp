// The line settings' tables and the device control values they give.
#include "serial/line_settings.h"

const uint32_t BaudTable[BAUD_ROWS] = {110,  300,   600,   1200,  2400,   4800,  9600,
                                       14400, 19200, 38400, 56000, 128000, 256000};
// None, Even, Odd, Mark, Space: the port's codes are 0 none, 1 odd, 2 even,
// 3 mark, 4 space.
const uint32_t ParityTable[PARITY_ROWS] = {0, 2, 1, 3, 4};
// One, one and a half, two.
const uint32_t StopBitsTable[STOPBITS_ROWS] = {0, 1, 2};

namespace {

constexpr char ASCII_XON = 0x11;
constexpr char ASCII_XOFF = 0x13;
// With XON/XOFF the peer is stopped when fewer than 100 bytes of the input
// queue (PORT_QUEUE_BYTES) are free, and let go on when no more than 100 bytes
// wait in it. 100 bytes are about 50 ms of the line at 19200 bit/s: room for
// what a peer sends before its XOFF arrives and is acted on.
constexpr uint16_t FLOW_LIMIT_BYTES = 100;
constexpr uint32_t ONE_CHARACTER_MS_AT_1_BPS = 19200;

}  // namespace

uint8_t FlowControlBits(bool dtrDsr, bool rtsCts, bool xonXoff)
{
    return static_cast<uint8_t>((dtrDsr ? FLOWCTRL_DTRDSR : 0) | (rtsCts ? FLOWCTRL_RTSCTS : 0) |
                                (xonXoff ? FLOWCTRL_SOFT : 0));
}

LineControl LineControlFor(const LineSettings& s)
{
    LineControl c = {};
    c.baudRate = s.dwBaudRate;
    c.byteSize = s.bByteSize;
    c.parity = s.bParity;
    c.stopBits = s.bStopBits;
    c.outxDsrFlow = s.bFlowCtrl & FLOWCTRL_DTRDSR;
    c.dtrControl = c.outxDsrFlow ? LINE_DTR_HANDSHAKE : LINE_DTR_ENABLE;
    c.outxCtsFlow = s.bFlowCtrl & FLOWCTRL_RTSCTS;
    c.rtsControl = c.outxCtsFlow ? LINE_RTS_HANDSHAKE : LINE_RTS_ENABLE;
    c.outX = c.inX = s.bFlowCtrl & FLOWCTRL_SOFT;
    c.xonChar = ASCII_XON;
    c.xoffChar = ASCII_XOFF;
    c.xonLim = FLOW_LIMIT_BYTES;
    c.xoffLim = FLOW_LIMIT_BYTES;
    c.binary = true;
    c.parityCheck = true;  // whatever the parity
    return c;
}

uint32_t WriteTimeoutMultiplier(uint32_t dwBaudRate)
{
    return dwBaudRate ? ONE_CHARACTER_MS_AT_1_BPS / dwBaudRate : 0;
}
