#pragma once

// Ids of the program's own resources: strings, commands, controls and
// templates. Toolkit-standard ids live in framework/StandardIds.h.

// Program messages
constexpr int IDS_INVALID_ADDRESS = 101;      // "Invalid address! Range: %d ... %d"
constexpr int IDS_INVALID_TIMEOUT = 102;      // time-out range message
constexpr int IDS_READY = 103;
constexpr int IDS_FAIL_READ_FILE = 104;
constexpr int IDS_PREPARING_PORT = 105;
constexpr int IDS_COM1 = 106;                 // 106..109: "COM1".."COM4"
constexpr int IDS_COMM_PORT_FAIL = 110;
constexpr int IDS_REQUEST_TRANSFER = 111;
constexpr int IDS_FAIL_TRANSMIT = 112;
constexpr int IDS_FAIL_READ_DATA = 113;
constexpr int IDS_QZM_NO_RESPONSE = 114;
constexpr int IDS_SENDING_SIZES = 115;
constexpr int IDS_SIZES_INCORRECT = 116;
constexpr int IDS_TRANSFER_BLOCKS = 117;
constexpr int IDS_SENDING_SETTINGS = 118;
constexpr int IDS_TEXT_FILE_FILTER = 150;     // first filter of the Create Text File dialog
constexpr int IDS_PRINT_NEEDS_FILE = 151;     // a print switch (or print action) without a file
constexpr int IDS_NO_PRINTER = 152;           // direct printing on a system without printers
constexpr int IDS_PRINTER_NOT_FOUND = 153;    // print-to names a printer that is not there

// Resource 128: template string, menu, accelerators, toolbar, icon
constexpr int IDR_MAINFRAME = 128;
constexpr int IDR_QZMTYPE = 129;              // document icon

// Dialog templates
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_QZM_FORM = 101;
constexpr int IDD_SEND_DLG = 130;

// Program commands
constexpr int ID_SEND_ALL = 32773;
constexpr int ID_SERIAL_COM1 = 32774;
constexpr int ID_SERIAL_COM2 = 32775;
constexpr int ID_SERIAL_COM3 = 32776;
constexpr int ID_SERIAL_COM4 = 32777;
constexpr int ID_CREATE_TEXT_FILE = 32779;
// Beyond the original commands: the Serial Ports dialog.
constexpr int ID_SERIAL_PORTS = 32791;
constexpr int ID_VIEW_TRANSFER_MONITOR = 32790;   // View > Transfer Monitor
constexpr int ID_VIEW_BLOCK_TABLE = 32792;        // View > Block Memory Table

// Form controls
constexpr int IDC_DESCRIPTION = 1000;
constexpr int IDC_BM_DESCRIPTION = 1002;
constexpr int IDC_INSERT = 1005;
constexpr int IDC_DELETE = 1006;
constexpr int IDC_ADDRESS = 1007;
constexpr int IDC_PREVIEW = 1008;
constexpr int IDC_NUMBER = 1009;
constexpr int IDC_NEXT = 1010;
constexpr int IDC_BASIC_VARIABLE = 1011;
constexpr int IDC_PARAMETER = 1012;
constexpr int IDC_ADDRESS_SPIN = 1021;
constexpr int IDC_NUMBER_SPIN = 1022;
constexpr int IDC_BLOCK_FRAME = 1023;
constexpr int IDC_TAB = 1024;
constexpr int IDC_PROGRESS = 1025;
constexpr int IDC_STATUS = 1026;
constexpr int IDC_BAUDRATE = 1027;
constexpr int IDC_PARITY = 1028;
constexpr int IDC_TIMEOUT = 1029;
constexpr int IDC_PROTOCOL = 1030;
constexpr int IDC_TIMEOUT_SPIN = 1031;
