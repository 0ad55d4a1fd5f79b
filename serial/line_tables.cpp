// Line rates, parities and stop bits, in the order the dialog lists them.
#include "serial/line_tables.h"

const DWORD BaudTable[13] = {CBR_110,   CBR_300,   CBR_600,   CBR_1200,  CBR_2400,   CBR_4800,  CBR_9600,
                             CBR_14400, CBR_19200, CBR_38400, CBR_56000, CBR_128000, CBR_256000};
const DWORD ParityTable[5] = {NOPARITY, EVENPARITY, ODDPARITY, MARKPARITY, SPACEPARITY};
const DWORD StopBitsTable[3] = {ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS};
