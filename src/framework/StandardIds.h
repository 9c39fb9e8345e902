#pragma once

// Command and string ids of the toolkit's standard facilities.

// Commands
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_FILE_CLOSE = 57602;
constexpr int ID_FILE_SAVE = 57603;
constexpr int ID_FILE_SAVE_AS = 57604;
constexpr int ID_FILE_PAGE_SETUP = 57605;
constexpr int ID_FILE_PRINT_SETUP = 57606;
constexpr int ID_FILE_PRINT = 57607;
constexpr int ID_FILE_PRINT_DIRECT = 57608;
constexpr int ID_FILE_PRINT_PREVIEW = 57609;
constexpr int ID_FILE_MRU_FILE1 = 57616;
constexpr int ID_FILE_MRU_FILE4 = 57619;
constexpr int ID_FILE_MRU_LAST = 57631;
constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_EDIT_CUT = 57635;
constexpr int ID_EDIT_PASTE = 57637;
constexpr int ID_EDIT_UNDO = 57643;
constexpr int ID_EDIT_REDO = 57644;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_HELP_INDEX = 57666;
constexpr int ID_HELP_FINDER = 57667;
constexpr int ID_HELP_USING = 57668;
constexpr int ID_CONTEXT_HELP = 57669;
constexpr int ID_HELP = 57670;
constexpr int ID_DEFAULT_HELP = 57671;
constexpr int ID_NEXT_PANE = 57680;
constexpr int ID_PREV_PANE = 57681;
constexpr int ID_VIEW_TOOLBAR = 59392;
constexpr int ID_VIEW_STATUS_BAR = 59393;
constexpr int ID_INDICATOR_CAPS = 59137;
constexpr int ID_INDICATOR_NUM = 59138;
constexpr int ID_INDICATOR_SCRL = 59139;

// System menu
constexpr int SC_SIZE = 61440;
constexpr int SC_MOVE = 61456;

// Strings
constexpr int AFX_IDS_APP_TITLE = 57344;
constexpr int AFX_IDS_IDLEMESSAGE = 57345;
constexpr int AFX_IDS_SCSIZE = 61184;
constexpr int AFX_IDS_SCMOVE = 61185;
constexpr int AFX_IDS_SCMINIMIZE = 61186;
constexpr int AFX_IDS_SCMAXIMIZE = 61187;
constexpr int AFX_IDS_SCCLOSE = 61190;
constexpr int AFX_IDS_SCRESTORE = 61202;
constexpr int AFX_IDS_OPENFILE = 61440;
constexpr int AFX_IDS_SAVEFILE = 61441;
constexpr int AFX_IDS_ALLFILTER = 61442;
constexpr int AFX_IDS_UNTITLED = 61443;
constexpr int AFX_IDP_INVALID_FILENAME = 61696;
constexpr int AFX_IDP_FAILED_TO_OPEN_DOC = 61697;
constexpr int AFX_IDP_FAILED_TO_SAVE_DOC = 61698;
constexpr int AFX_IDP_ASK_TO_SAVE = 61699;
constexpr int AFX_IDP_FAILED_TO_CREATE_DOC = 61700;
constexpr int AFX_IDP_UNREG_DONE = 61702;
constexpr int AFX_IDP_COMMAND_FAILURE = 61708;
constexpr int AFX_IDP_FAILED_INVALID_FORMAT = 61728;
constexpr int AFX_IDP_FILE_GENERIC = 61857;    // 61857..61870: file error texts
constexpr int AFX_IDP_FILE_NOT_FOUND = 61858;
constexpr int AFX_IDP_FILE_BAD_PATH = 61859;
constexpr int AFX_IDP_FILE_TOO_MANY_OPEN = 61860;
constexpr int AFX_IDP_FILE_ACCESS_DENIED = 61861;
constexpr int AFX_IDP_FILE_INVALID_FILE = 61862;
constexpr int AFX_IDP_FILE_REMOVE_CURRENT = 61863;
constexpr int AFX_IDP_FILE_DIR_FULL = 61864;
constexpr int AFX_IDP_FILE_BAD_SEEK = 61865;
constexpr int AFX_IDP_FILE_HARD_IO = 61866;
constexpr int AFX_IDP_FILE_SHARING = 61867;
constexpr int AFX_IDP_FILE_LOCKING = 61868;
constexpr int AFX_IDP_FILE_DISKFULL = 61869;
constexpr int AFX_IDP_FILE_EOF = 61870;

// Texts this program's toolkit layer adds to the standard ones.
constexpr int IDP_FILE_CHANGED_ON_DISK = 61900;
// A file error the standard texts would misdescribe: a name Qt cannot hold,
// or something that is no plain file.
constexpr int IDP_FILE_NAME_NOT_UTF8 = 61901;
constexpr int IDP_FILE_IS_FOLDER = 61902;
constexpr int IDP_FILE_IS_PIPE = 61903;
constexpr int IDP_FILE_IS_SOCKET = 61904;
constexpr int IDP_FILE_IS_DEVICE = 61905;
constexpr int IDP_FILE_PIPE_NO_READER = 61906;
constexpr int IDP_FILE_PIPE_NO_WRITER = 61907;
