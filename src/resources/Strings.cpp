#include "resources/Strings.h"

#include "framework/StandardIds.h"
#include "framework/StringTable.h"
#include "resources/Resource.h"

namespace {
const CStringTable::Entry kStrings[] = {
    // Program messages
    {IDS_INVALID_ADDRESS, "Invalid address! Range: %d ... %d"},
    {IDS_INVALID_TIMEOUT, "Invalid timeout! Range: %d ... %d %s"},
    {IDS_READY, "Ready"},
    {IDS_FAIL_READ_FILE, "Fail in read this filel!\nA new document will be created."},
    {IDS_PREPARING_PORT, "Preparing serial port..."},
    {IDS_COM1, "COM1"},
    {IDS_COM1 + 1, "COM2"},
    {IDS_COM1 + 2, "COM3"},
    {IDS_COM1 + 3, "COM4"},
    {IDS_COMM_PORT_FAIL, "Fail in this comm port. Try select other!"},
    {IDS_REQUEST_TRANSFER, "Request transfer of configurations..."},
    {IDS_FAIL_TRANSMIT, "Fail in transmit to QZM!"},
    {IDS_FAIL_READ_DATA, "Fail in read datas of QZM!"},
    {IDS_QZM_NO_RESPONSE, "QZM does not respond or QZM is running."},
    {IDS_SENDING_SIZES, "Sending size of inputs and outputs..."},
    {IDS_SIZES_INCORRECT, "Size of input and/or output was incorrect."},
    {IDS_TRANSFER_BLOCKS, "Transfering memory blocks..."},
    {IDS_SENDING_SETTINGS, "Sending Modbus-RTU communication settings..."},
    {IDS_TEXT_FILE_FILTER, "Text Files (*.txt)"},
    {IDS_PRINT_NEEDS_FILE, "Nothing to print: no file was named.\nPrint a QZM file with: qzm /p FILE"},
    {IDS_NO_PRINTER, "Nothing was printed: no printer is available.\nInstall or connect a printer, then print again."},
    {IDS_PRINTER_NOT_FOUND, "Nothing was printed: the printer \"%1\" is not available."},

    {IDR_MAINFRAME, "QZM V2.01\n\nQZM\nQZM Files (*.qzm)\n.qzm\nQZM.Document\nQZM Document"},

    // Command prompts: status-bar text, then tooltip
    {ID_SEND_ALL, "Send all the configurations of this file to qzm\nSend All"},
    {ID_CREATE_TEXT_FILE, "Create a text file of this document\nCreate text file"},
    {ID_FILE_NEW, "Create a new document\nNew"},
    {ID_FILE_OPEN, "Open an existing document\nOpen"},
    {ID_FILE_SAVE, "Save the active document\nSave"},
    {ID_FILE_SAVE_AS, "Save the active document with a new name\nSave As"},
    {ID_FILE_MRU_FILE1 + 0, "Open this document"},
    {ID_FILE_MRU_FILE1 + 1, "Open this document"},
    {ID_FILE_MRU_FILE1 + 2, "Open this document"},
    {ID_FILE_MRU_FILE1 + 3, "Open this document"},
    {ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
    {ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle ToolBar"},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar"},
    {ID_VIEW_TRANSFER_MONITOR, "Show the telegrams and replies of the last transfers\nTransfer Monitor"},
    {ID_VIEW_BLOCK_TABLE, "Show and edit the Read and Write lists as tables\nBlock Memory Table"},
    {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
    {ID_SERIAL_PORTS, "Choose the device each of COM1 to COM4 opens\nSerial Ports"},

    // Toolkit texts
    {AFX_IDS_APP_TITLE, "QZM"},
    {AFX_IDS_IDLEMESSAGE, "Ready"},
    {ID_INDICATOR_CAPS, "CAP"},
    {ID_INDICATOR_NUM, "NUM"},
    {ID_INDICATOR_SCRL, "SCRL"},
    {AFX_IDS_SCSIZE, "Change the window size"},
    {AFX_IDS_SCMOVE, "Change the window position"},
    {AFX_IDS_SCMINIMIZE, "Reduce the window to an icon"},
    {AFX_IDS_SCMAXIMIZE, "Enlarge the window to full size"},
    {AFX_IDS_SCCLOSE, "Close the active window and prompts to save the documents"},
    {AFX_IDS_SCRESTORE, "Restore the window to normal size"},
    {AFX_IDS_OPENFILE, "Open"},
    {AFX_IDS_SAVEFILE, "Save As"},
    {AFX_IDS_ALLFILTER, "All Files (*.*)"},
    {AFX_IDS_UNTITLED, "Untitled"},
    {AFX_IDP_INVALID_FILENAME, "Invalid filename."},
    {AFX_IDP_FAILED_TO_OPEN_DOC, "Failed to open document."},
    {AFX_IDP_FAILED_TO_SAVE_DOC, "Failed to save document."},
    {AFX_IDP_ASK_TO_SAVE, "Save changes to %1?"},
    {AFX_IDP_FAILED_TO_CREATE_DOC, "Failed to create empty document."},
    {AFX_IDP_UNREG_DONE, "System registry entries have been removed and the INI file (if any) was deleted."},
    {AFX_IDP_COMMAND_FAILURE, "Command failed."},
    {AFX_IDP_FAILED_INVALID_FORMAT, "Unexpected file format."},
    {AFX_IDP_FILE_GENERIC, "An unknown error occurred while accessing %1."},
    {AFX_IDP_FILE_NOT_FOUND, "%1 was not found."},
    {AFX_IDP_FILE_BAD_PATH, "%1 contains an invalid path."},
    {AFX_IDP_FILE_TOO_MANY_OPEN, "%1 could not be opened because there are too many open files."},
    {AFX_IDP_FILE_ACCESS_DENIED, "Access to %1 was denied."},
    {AFX_IDP_FILE_INVALID_FILE, "An invalid file handle was associated with %1."},
    {AFX_IDP_FILE_REMOVE_CURRENT, "%1 could not be removed because it is the current directory."},
    {AFX_IDP_FILE_DIR_FULL, "%1 could not be created because the directory is full."},
    {AFX_IDP_FILE_BAD_SEEK, "Seek failed on %1"},
    {AFX_IDP_FILE_HARD_IO, "A hardware I/O error was reported while accessing %1."},
    {AFX_IDP_FILE_SHARING, "A sharing violation occurred while accessing %1."},
    {AFX_IDP_FILE_LOCKING, "A locking violation occurred while accessing %1."},
    {AFX_IDP_FILE_DISKFULL, "Disk full while accessing %1."},
    {AFX_IDP_FILE_EOF, "An attempt was made to access %1 past its end."},

    // Added texts
    {IDP_FILE_CHANGED_ON_DISK, "%1 has been changed on disk since it was opened or last saved here.\n"
                               "Do you want to overwrite it?"},
    {IDP_FILE_NAME_NOT_UTF8, "%1 cannot be opened or saved under its name: the name is not valid UTF-8 and "
                             "cannot be represented.\nRename the file, or choose another name."},
    {IDP_FILE_IS_FOLDER, "%1 is a folder, not a file."},
    {IDP_FILE_IS_PIPE, "%1 is a pipe, not a file."},
    {IDP_FILE_IS_SOCKET, "%1 is a socket, not a file."},
    {IDP_FILE_IS_DEVICE, "%1 is a device, not a file."},
    {IDP_FILE_PIPE_NO_READER, "%1 is a named pipe that no program is reading from."},
    {IDP_FILE_PIPE_NO_WRITER, "%1 is a named pipe that no program is writing to."},
};
} // namespace

void InstallQZMStrings()
{
    CStringTable::Install(kStrings, int(sizeof(kStrings) / sizeof(kStrings[0])));
}
