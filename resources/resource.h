// Numeric identifiers of every resource of the program, grouped by kind. The
// numbers are fixed: the window code, the dialogs and the tests address them.
#pragma once

// ---- Menus and accelerators ----
#define IDM_MAINMENU 300
#define IDA_MAINACCEL 200

// ---- Menu commands ----
#define IDM_CONNECT 256
#define IDM_DISCONNECT 257
#define IDM_EXIT 258
#define IDM_SETTINGS 259
#define IDM_ABOUT 260
#define IDM_SENDBLOCK 261

// ---- Dialog templates ----
#define IDD_ABOUTBOX 100
#define IDD_SETTINGS 101
#define IDD_SPLASH 105

// ---- Settings dialog controls ----
#define IDC_PORTCB 544
#define IDC_BAUDCB 545
#define IDC_DATABITSCB 546
#define IDC_PARITYCB 547
#define IDC_STOPBITSCB 548
#define IDC_DTRDSR 549
#define IDC_RTSCTS 550
#define IDC_XONXOFF 551
#define IDC_AUTOWRAP 552
#define IDC_NEWLINE 553
#define IDC_LOCALECHO 554
#define IDC_FONTBTN 555
#define IDC_USECNRECEIVE 556
#define IDC_DISPLAYERRORS 557

// ---- About box controls (addressed at initialisation; the template has none) ----
#define IDC_ABOUT_ICON 528
#define IDC_ABOUT_OSVERSION 529
#define IDC_ABOUT_BUILDVERSION 530
#define IDC_ABOUT_NOTE 531
#define IDC_ABOUT_MODE 532

// ---- Strings ----
#define IDS_BLANK 768
#define IDS_COMPREFIX 784
#define IDS_BAUD110 800  // 800..812: the line rates
#define IDS_PARITYNONE 816  // 816..820: the parities
#define IDS_ONESTOPBIT 832  // 832..834: the stop bits

// ---- Icons ----
#define IDI_QUAVERTON 400

// ---- Bitmaps ----
#define IDB_PADOFF 124
#define IDB_PADON 125
#define IDB_SPLASH 126
#define IDB_ROLLCOLUMN 129
#define IDB_PLAY 130
#define IDB_STOP 131
#define IDB_ARROWUP 132
#define IDB_ARROWDOWN 133
#define IDB_DIGIT1 134
#define IDB_DIGIT2 135
#define IDB_DIGIT3 136
#define IDB_DIGIT4 137
#define IDB_DIGIT5 138
#define IDB_DIGIT6 140
#define IDB_DIGIT7 141
#define IDB_DIGIT8 142
#define IDB_LOGO 500
