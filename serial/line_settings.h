// The line settings a player chooses from, and what they mean for the port:
// the rate, parity and stop-bit tables that fill the Settings dialog's lists,
// the flow-control bits, the device control values a setting gives, and the
// write time-out. Platform-free; the Win32 edge copies the values into the
// port's device control block.
#pragma once

#include <cstdint>

// The port's input and output queues, in bytes. 4096 bytes are more than 4 s
// of the line at 9600 bit/s (2 s at 19200): the watch thread can fall that far
// behind (a burst of repaints, a slow machine) before a byte is lost, and the
// flow limits below stop the peer well before.
constexpr uint32_t PORT_QUEUE_BYTES = 4096;

// ---- The value tables, in the order the Settings dialog lists them ----
constexpr int BAUD_ROWS = 13;
constexpr int PARITY_ROWS = 5;
constexpr int STOPBITS_ROWS = 3;
extern const uint32_t BaudTable[BAUD_ROWS];          // bits per second; texts from string 800
extern const uint32_t ParityTable[PARITY_ROWS];      // the port's parity codes; texts from string 816
extern const uint32_t StopBitsTable[STOPBITS_ROWS];  // the port's stop-bit codes; texts from string 832

// ---- Flow control: the bits of bFlowCtrl ----
constexpr uint8_t FLOWCTRL_DTRDSR = 1;  // hardware handshake on DTR/DSR
constexpr uint8_t FLOWCTRL_RTSCTS = 2;  // hardware handshake on RTS/CTS
constexpr uint8_t FLOWCTRL_SOFT = 4;    // XON/XOFF in both directions

uint8_t FlowControlBits(bool dtrDsr, bool rtsCts, bool xonXoff);

// ---- What the settings write into the port's device control block ----
constexpr uint8_t LINE_DTR_ENABLE = 1;     // the line held on
constexpr uint8_t LINE_DTR_HANDSHAKE = 2;  // the line under handshake control
constexpr uint8_t LINE_RTS_ENABLE = 1;
constexpr uint8_t LINE_RTS_HANDSHAKE = 2;

struct LineSettings {
    uint32_t dwBaudRate;
    uint8_t bByteSize;
    uint8_t bParity;
    uint8_t bStopBits;
    uint8_t bFlowCtrl;
};

struct LineControl {
    uint32_t baudRate;
    uint8_t byteSize, parity, stopBits;
    bool outxDsrFlow;   // output waits for DSR
    uint8_t dtrControl;
    bool outxCtsFlow;   // output waits for CTS
    uint8_t rtsControl;
    bool outX, inX;     // XON/XOFF for output and input
    char xonChar, xoffChar;
    uint16_t xonLim, xoffLim;
    bool binary;
    bool parityCheck;
};

LineControl LineControlFor(const LineSettings& settings);

// The write total time-out multiplier, in ms per byte, fixed when the port
// opens: 19200 / rate, truncated, about twice a character's time (a
// character of 10 bits takes 1.04 ms at 9600 bit/s, the multiplier is 2 ms),
// so a write times out only once the line has held it back for about as long
// as sending it takes; 0, no total time-out, from 38400 bits per second on. A
// rate of 0 gives 0.
uint32_t WriteTimeoutMultiplier(uint32_t dwBaudRate);
