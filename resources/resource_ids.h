/*
 * Resource, control, command and message numbers of the converter.
 *
 * One header shared by the resource scripts (windres) and the program code.
 * Every number below is a plain #define so that the resource compiler can
 * read it; string constants and anything else the resource compiler cannot
 * digest stand inside the #ifndef RC_INVOKED block at the end. The numbers
 * are grouped by the window or dialog that owns them. Control ids are unique
 * only within their own dialog: the same number may appear on two pages.
 */
#pragma once

#ifndef WM_USER
#define WM_USER 0x0400
#endif

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* ---- 1. Icons and bitmaps ---------------------------------------------- */
#define IDB_TOOLBAR                 100   /* toolbar strip, 16 images of 16 x 16 */
#define IDI_APP                     101   /* program icon (32 x 32 and 16 x 16) */
/* The small class icon is the named resource "SMALL" (see SMALL_ICON_NAME). */

/* ---- 2. Menu ------------------------------------------------------------ */
#define IDM_MAIN                    700

/* ---- 3. Commands -------------------------------------------------------- */
#define IDM_CLOSE_SPLASH            2000  /* posted at start-up: closes the splash */
#define IDM_FILE_OPEN               4002
#define IDM_FILE_CLOSE              4007
#define IDM_FILE_CONVERT            4008
#define IDM_FILE_EXIT               4009
#define IDM_HELP_CONTENTS           4040
#define IDM_HELP_ABOUT              4042
#define IDM_SET_FACILITY            4204
#define IDM_SET_PATIENT_OPTIONS     4205
#define IDM_SET_MONTAGE_OPTIONS     4206
#define IDM_SET_POSITION            4209

/* ---- 4. Private window messages ------------------------------------------ */
#define WM_GRID_ATTACH              (WM_USER + 100)  /* 1124: wParam = ConverterState memory handle */
#define WM_PAGE_REFRESH             (WM_USER + 101)  /* 1125: page is being shown, reread the state */
#define WM_SHOW_PAGE                (WM_USER + 102)  /* to the main window: show tab page wParam */
#define WM_CONVERT_START            (WM_USER + 103)  /* to the main window: start the conversion */
/* The display control's own message (colour) is defined by ctlkit/ctlkit.h. */

/* ---- 5. String table ---------------------------------------------------- */
#define IDS_TAB_PATIENT             1
#define IDS_TAB_MONTAGE             2
#define IDS_TIP_OPEN                4
#define IDS_TIP_CONVERT             5
#define IDS_TB_TAFF                 7
#define IDS_TB_CLOSE                8
#define IDS_TB_CONV                 9
#define IDS_TB_HELP                 10
#define IDS_TB_EXIT                 11
#define IDS_TAB_SOURCE              12
#define IDS_TAB_CONVERT             13
#define IDS_TIP_CLOSE               14
#define IDS_STATUS_NO_SOURCE        18
#define IDS_STATUS_NO_OUTPUT        19
#define IDS_STATUS_READY            20
#define IDS_STATUS_DONE             21
#define IDS_TIP_HELP                22
#define IDS_TIP_EXIT                23
#define IDS_STATUS_CONVERTING       25
#define IDS_STATUS_WRITE_FAILED     26

/* ---- 6. Main window children --------------------------------------------- */
#define IDC_MAIN_STATUSBAR          1000
#define IDC_MAIN_TOOLBAR            1001
#define IDC_MAIN_STATUS_DISPLAY     1002  /* display control inside the status line */
#define IDC_MAIN_TAB                1020

/* ---- 7. Numbered dialogs ------------------------------------------------- */
#define IDD_CONFIRM_OVERWRITE       105   /* "確認": output file exists, OK / Cancel */
#define IDD_ABOUT                   500
#define IDD_SPLASH                  504
#define IDD_WARN_NO_OUTPUT          507   /* start pressed before an output file was chosen */
#define IDD_NOTICE_UNFINISHED       508   /* feature not available yet */
#define IDD_WARN_NOT_TAFF           514   /* chosen file is not a TAFFormat recording */
#define IDD_WARN_SAME_FILE          515   /* output name equals the source name */
#define IDD_WARN_WRITE_FAILED       516   /* writing the PSG file failed */
#define IDD_WARN_BAD_RATE           517   /* a channel's rate divisor gives no whole output rate */
#define IDD_WARN_RECORD_TOO_LARGE   518   /* a data record would be too large to read */

/* Static controls of the numbered dialogs that the code may address. */
#define IDC_ABOUT_ICON              5001
#define IDC_SPLASH_ICON             5041
#define IDC_RECORD_FIT_TEXT         5171  /* dialog 517: which frame times fit */

/* ---- 8. Source data page (SOURCEDATA) ------------------------------------ */
#define IDC_SRC_FILENAME            1213
#define IDC_SRC_CHANNELS            1214
#define IDC_SRC_RATE                1215
#define IDC_SRC_YEAR                1216
#define IDC_SRC_MONTH               1217
#define IDC_SRC_DAY                 1218
#define IDC_SRC_HOUR                1219
#define IDC_SRC_MINUTE              1220
#define IDC_SRC_SECOND              1221
#define IDC_SRC_FILETYPE            1222
#define IDC_SRC_TOTALTIME           1223
#define IDC_SRC_BITS                1224
#define IDC_SRC_HUMFILTER           1361
#define IDC_SRC_SETLABELS           1362
#define IDC_SRC_CALTYPE             1363

/* ---- 9. Patient page (PATIENTSETUP) -------------------------------------- */
#define IDC_PAT_ID                  1200
#define IDC_PAT_NAME                1201
#define IDC_PAT_KANA                1202
#define IDC_PAT_SEX                 1203
#define IDC_PAT_COMMENT1            1206
#define IDC_PAT_COMMENT2            1207
#define IDC_PAT_COMMENT3            1208
#define IDC_PAT_COMMENT4            1209
#define IDC_PAT_COMMENT5            1210
#define IDC_PAT_MEDICATION          1215
#define IDC_PAT_HEIGHT              1216
#define IDC_PAT_WEIGHT              1217
#define IDC_PAT_BIRTH_YEAR          1251
#define IDC_PAT_BIRTH_MONTH         1252
#define IDC_PAT_BIRTH_DAY           1253
#define IDC_PAT_DEPARTMENT          1254
#define IDC_PAT_REQ_DOCTOR          1255
#define IDC_PAT_TECHNICIAN          1256
#define IDC_PAT_READ_DOCTOR         1257
#define IDC_PAT_AGE_YEARS           1258
#define IDC_PAT_AGE_MONTHS          1259
#define IDC_PAT_SAVE_ON_EXIT        1310
#define IDC_PAT_COMMENT_COUNT       5     /* comments are IDC_PAT_COMMENT1 + 0..4 */

/* ---- 10. Montage page (MONTAGESETUP) ------------------------------------- */
#define IDC_MONT_PATTERN_LIST       1300
#define IDC_MONT_GRID               1301
#define IDC_MONT_REGISTER           1302  /* "Pattern Registry" */
#define IDC_MONT_COPY               1303  /* "Pattern Copy..." */
#define IDC_MONT_LOAD_CAL           1304  /* "Load CAL Cond..." */
#define IDC_MONT_TCTYPE             1363  /* "TC Type" check box */
/* Notifications the grid posts to the page (HIWORD(wParam) of WM_COMMAND). */
#define GRID_NOTIFY_PRESS           10    /* a left press selected a cell */
#define GRID_NOTIFY_DRAG            11    /* dragging changed the selected range */
#define GRID_NOTIFY_RELEASE         12    /* the left button was released after a selection */
/* Inside the montage grid: the in-place editor and its notifications. */
#define IDC_MONT_GRID_EDITOR        2100
#define GRID_EDIT_ENTER             10    /* HIWORD(wParam) of WM_COMMAND from the editor */
#define GRID_EDIT_TAB               11
#define GRID_EDIT_KILLFOCUS         12
#define IDM_GRID_CHOICE_FIRST       2500  /* choice menu item i has id 2500 + i */
#define IDM_GRID_CHOICE_LAST        2521

/* ---- 11. Conversion page (CONVERTINFO) ----------------------------------- */
#define IDC_CONV_OUTPUT             1225
#define IDC_CONV_SELECT             1226
#define IDC_CONV_START              1227
#define IDC_CONV_FRAMETIME          1228
#define IDC_CONV_COMMENT            1229
#define IDC_CONV_COUNTER            1230
#define IDC_CONV_STATUS             1231
#define IDT_CONV_FRAME              800   /* frame timer of the conversion page (50 ms) */

/* ---- 12. Position calibration dialog (POSLEVELSETUP) --------------------- */
#define IDC_POS_HELP                1501
#define IDC_POS_DEFAULT_LOAD        1371
#define IDC_POS_DEFAULT_STORE       1372
#define IDC_POS_LEVEL_COUNT         1400
#define IDC_POS_ROW_NO1             1410  /* row numbers "1".."8": 1410..1417 */
#define IDC_POS_LABEL1              1420  /* level labels: 1420..1427 */
#define IDC_POS_CENTER1             1430  /* level centres: 1430..1437 */
#define IDC_POS_WIDTH1              1440  /* level widths: 1440..1447 */
#define IDC_POS_ROWS                8
/* Row i (1..8) is made of these four controls. */
#define IDC_POS_ROW_NO(i)           (IDC_POS_ROW_NO1 + (i) - 1)
#define IDC_POS_LABEL(i)            (IDC_POS_LABEL1 + (i) - 1)
#define IDC_POS_CENTER(i)           (IDC_POS_CENTER1 + (i) - 1)
#define IDC_POS_WIDTH(i)            (IDC_POS_WIDTH1 + (i) - 1)

/* ---- 12a. Trustworthy output (ids 6100-6199) ---------------------------- */
/* Questions before a run is stopped or a made-up patient is written, the
 * warnings of a short recording and of refused starts, and their status
 * texts on the conversion page. */
#define IDD_CONFIRM_STOP_RUN        6100  /* "確認": stop the running conversion? Cancel is the default */
#define IDD_CONFIRM_NEW_PATIENT     6101  /* "確認": the patient is still the first-start one; Cancel shows the patient page */
#define IDD_WARN_SHORT_RECORDING    6102  /* "警告": the data file is shorter than its header announces */
#define IDD_WARN_NO_CHANNEL         6103  /* "警告": no channel is switched on */
#define IDD_WARN_NO_MEMORY          6104  /* "警告": the block buffer could not be allocated */
#define IDC_SHORT_RECORDING_TEXT    6110  /* dialog 6102: both lengths */
#define IDS_STATUS_STOPPED          6120
#define IDS_STATUS_DONE_SHORT       6121
#define IDS_STATUS_NO_CHANNEL       6122
#define IDS_STATUS_NO_MEMORY        6123

/* ---- 13. Display control styles ---------------------------------------- */
/* Control-kit style bits of the CTLKITSTATIC32 displays (ORed with
 * WS_CHILD | WS_VISIBLE). */
#define CTLKIT_STYLE_STATUS         0x191  /* display inside the status line */
#define CTLKIT_STYLE_PATH           0x193  /* path and value displays on the pages */
#define CTLKIT_STYLE_COUNTER        0x1a3  /* frame counter and guidance text */

/* ---- 15. Signal preview window (MORLEXPREVIEW) -------------------------- */
/* The command that opens it, its controls, its warning dialog, its toolbar
 * texts and the notice that the record it shows may have changed. */
#define IDM_FILE_PREVIEW            4010  /* "波形確認...(&V)" */
#define IDC_PREV_EPOCH_START        1600  /* the epoch's start: "hh:mm:ss (+h:mm:ss)" */
#define IDC_PREV_EPOCH_LENGTH       1601  /* list: 10, 30, 60, 120 seconds */
#define IDC_PREV_JUMP_TIME          1602  /* clock time to jump to */
#define IDC_PREV_JUMP               1603
#define IDC_PREV_LARGER             1604  /* "+": every trace larger */
#define IDC_PREV_SMALLER            1605  /* "-": every trace smaller */
#define IDC_PREV_FILTER             1606  /* check box "ﾌｨﾙﾀ": traces through the montage's filters, or the file's values */
#define IDC_PREV_FIT                1607  /* fits the chosen trace (or every trace) to the epoch's signal */
#define IDD_WARN_NO_RECORDING       1610  /* the preview asked for without an open recording */
#define IDS_TB_VIEW                 1620
#define IDS_TIP_VIEW                1621
#define WM_RECORD_CHANGED           (WM_USER + 120)  /* to the main window, and from it to the preview */
/* The preview's texts (6700..6749). */
#define IDS_PREV_TITLE              6700  /* the caption without a recording */
#define IDS_PREV_TITLE_FILE         6701  /* the caption: %s is the recording's file name */
#define IDS_PREV_SECONDS            6702  /* an epoch length: %d seconds */
#define IDS_PREV_JUMP               6703
#define IDS_PREV_LARGER             6704
#define IDS_PREV_SMALLER            6705
#define IDS_PREV_FIT                6706
#define IDS_PREV_FILTER             6707
#define IDS_PREV_NO_RECORDING       6708
#define IDS_PREV_NOT_WRITTEN        6709  /* a trace whose rate divisor gives no whole rate */
#define IDS_PREV_UNFILTERED         6710  /* the label line of a trace drawn with the file's values */
#define IDS_PREV_ABOVE_SCALE        6711  /* the hint over values above a trace's scale: %s the highest with its unit */
#define IDS_PREV_BELOW_SCALE        6712  /* the hint over values below a trace's scale: %s the lowest with its unit */

/* ---- The night check in the window (ids 1700-1749, 4011, 6600-6649, WM_USER+160..169) ---- */
/* The command, the check window (MORLEXCHECK) and its controls, the
 * montage options' annotation box, the preview's overview strip, and the
 * notices between the check's worker, the main window, the check window and
 * the preview. */
#define IDM_FILE_CHECK              4011  /* "記録ﾁｪｯｸ...(&K)" */
#define IDC_CHECK_FINDINGS          1701  /* list view: one row per finding */
#define IDC_CHECK_VERDICT           1702  /* the night verdict and the rule it used */
#define IDC_CHECK_CHANNELS          1703  /* list view: one row per written channel (usable hours, verdict) */
#define IDC_CHECK_SAVE              1704  /* saves the report */
#define IDC_CHECK_STATE             1705  /* how far the check is ("checking 40 %", "stopped") */
#define IDC_MOPT_CHECK_NOTES        1710  /* montage options: findings into the PSG file as annotations */
#define IDC_PREV_OVERVIEW           1720  /* preview: the whole night, channels by time, coloured by level */
#define IDS_TB_CHECK                1740  /* toolbar: "Check" */
#define IDS_TIP_CHECK               1741
#define WM_CHECK_PROGRESS           (WM_USER + 160)  /* worker to the main window: wParam = per mille done, lParam = the check's serial */
#define WM_CHECK_DONE               (WM_USER + 161)  /* worker to the main window: lParam = the check's serial */
#define WM_CHECK_CHANGED            (WM_USER + 162)  /* main window to the preview and the check window: the held check changed */
#define WM_PREVIEW_GOTO             (WM_USER + 163)  /* to the preview: wParam = trace (-1: none), lParam = milliseconds from the start */
#define WM_SHOW_FINDING             (WM_USER + 164)  /* check window to the main window: wParam = trace, lParam = milliseconds */
#define WM_CHECK_CLOSED             (WM_USER + 165)  /* check window to its owner: wParam = the window, being destroyed */
/* Texts: the check window and status 6600..6629, the preview's marks
 * 6630..6639, the file's annotations 6640..6649. */
#define IDS_CHECK_TITLE             6600
#define IDS_CHECK_RUNNING           6601
#define IDS_CHECK_STOPPED           6602
#define IDS_CHECK_PASS              6603
#define IDS_CHECK_WARN              6604
#define IDS_CHECK_FAIL              6605
#define IDS_CHECK_SAVE              6606
#define IDS_CHECK_SAVE_TITLE        6607
#define IDS_CHECK_NOT_SAVED         6608
#define IDS_CHECK_CAPTION_WARN      6609
#define IDS_CHECK_CAPTION_ASK       6610
#define IDS_CHECK_ASK_FAILING       6611
#define IDS_CHECK_COL_CHANNEL       6612
#define IDS_CHECK_COL_CHECK         6613
#define IDS_CHECK_COL_FROM          6614
#define IDS_CHECK_COL_TO            6615
#define IDS_CHECK_COL_VALUE         6616
#define IDS_CHECK_COL_LEVEL         6617
#define IDS_CHECK_COL_NOTE          6618
#define IDS_CHECK_COL_KIND          6619
#define IDS_CHECK_COL_USABLE        6620
#define IDS_CHECK_COL_HOURS         6621
#define IDS_CHECK_COL_VERDICT       6622
#define IDS_CHECK_NO_RECORDING      6623
#define IDS_CHECK_NONE              6624  /* an empty list in the question: "なし" */
#define IDS_CHECK_RULE_UNREAD       6625  /* the question's reason when the rule set cannot be read */
/* The checks' names for people, in the check's order (flat .. position). */
#define IDS_CHECK_KIND_FLAT         6640
#define IDS_CHECK_KIND_CLIPPING     6641
#define IDS_CHECK_KIND_HUM          6642
#define IDS_CHECK_KIND_HF           6643
#define IDS_CHECK_KIND_AMPLITUDE    6644
#define IDS_CHECK_KIND_TYPE         6645
#define IDS_CHECK_KIND_DUPLICATE    6646
#define IDS_CHECK_KIND_EOG          6647
#define IDS_CHECK_KIND_ECG          6648
#define IDS_CHECK_KIND_SPO2         6649
#define IDS_CHECK_KIND_POSITION     6650
/* A finding's level and a channel's verdict. */
#define IDS_CHECK_LEVEL_INFO        6651
#define IDS_CHECK_LEVEL_WARN        6652
#define IDS_CHECK_LEVEL_FAIL        6653
#define IDS_CHECK_VERDICT_PASS      6654
#define IDS_CHECK_VERDICT_WARN      6655
#define IDS_CHECK_VERDICT_FAIL      6656
/* The kinds of signal the check took a channel for. */
#define IDS_CHECK_SIGNAL_OTHER      6660
#define IDS_CHECK_SIGNAL_AIRFLOW    6661
#define IDS_CHECK_SIGNAL_EFFORT     6662
#define IDS_CHECK_SIGNAL_PULSE      6663
#define IDS_CHECK_SIGNAL_SNORE      6664
#define IDS_CHECK_SIGNAL_POSITION   6665
#define IDS_PREV_OVERVIEW           6630  /* the strip's name */
#define IDS_PREV_OVERVIEW_HINT      6631  /* the hint over the strip */
#define IDS_PREV_MARK_HINT          6632  /* the hint over a mark: check, level, start, end (clock), what the check saw */

/* ---- 16. Option dialogs, Pattern Copy and their boxes (6200..6299) ------- */
/* Patient page: the line saying what of the identity the PSG file carries. */
#define IDC_PAT_IDENTITY            6201
/* "FACILITYNAME": the facility name (command 4204). */
#define IDC_FAC_NAME                6210
/* "PATIENTOPTIONS": what of the patient's identity a PSG file carries (4205). */
#define IDC_IDN_FULL                6220  /* radio: the full identity */
#define IDC_IDN_RESEARCH            6221  /* radio: the de-identified copy */
#define IDC_IDN_CODE                6222  /* study code */
#define IDC_IDN_KEEP_AGE            6223
#define IDC_IDN_KEEP_SEX            6224
#define IDC_IDN_REPLACE_DATE        6225
/* "MONTAGEOPTIONS": the current pattern's choice lists and the exit question (4206). */
#define IDC_MOPT_LABEL1             6230  /* label choices 1..20: 6230..6249 */
#define IDC_MOPT_UNIT1              6250  /* unit choices 1..8: 6250..6257 */
#define IDC_MOPT_ASK_EXIT           6260
#define IDC_MOPT_PATTERN            6261  /* the pattern's name */
/* "PATTERNCOPY": copy to a slot, export, import (montage page 1303). */
#define IDC_PCOPY_SLOT              6270
#define IDC_PCOPY_COPY              6271
#define IDC_PCOPY_EXPORT            6272
#define IDC_PCOPY_IMPORT            6273
#define IDC_PCOPY_STATUS            6274
#define IDC_PCOPY_CURRENT           6275
/* Numbered boxes. */
#define IDD_ASK_UNREGISTERED        6280  /* exit: register the changes? Yes / No / Cancel */
#define IDD_WARN_NOT_PATTERN        6281  /* the chosen file is not a pattern file */
#define IDD_WARN_PATTERN_NOT_SAVED  6282  /* the pattern file or slot could not be written */

/* ---- Keyboard, window fit and help (ids 6300-6399, WM_USER+140..149) ---- */
#define GRID_EDIT_ESCAPE            13    /* the editor's Esc: its text is dropped */
#define IDC_MONT_GRID_HINT          6300  /* the line under the grid telling how to edit it */
#define IDS_HELP_NO_VIEWER          6301  /* warning: nothing can show the help file (%s: its path) */
#define WM_GRID_MINSIZE             (WM_USER + 140)  /* to the grid: MAKELRESULT(width, height) it needs */
#define WM_PAGE_MINSIZE             (WM_USER + 141)  /* to a page: MAKELRESULT(width, height) it needs, 0: its controls say */
#define WM_HELP_NOT_SHOWN           (WM_USER + 142)  /* to the main window: the help viewer failed once started */

/* ---- Texts that tell the truth (ids 6430-6499) -------------------------- */
/* The line under the montage grid when a typed value is refused (%s: the
 * column's title). */
#define IDS_GRID_NO_NUMBER          6430
#define IDS_GRID_NOT_WHOLE          6431
#define IDS_GRID_TOO_LARGE          6432
#define IDS_GRID_NEGATIVE           6433
#define IDS_GRID_ZERO               6434

/* ---- Window notices and texts moved out of the code (ids 6500-6599, WM_USER+170..179) ---- */
#define WM_PREVIEW_CLOSED           (WM_USER + 170)  /* from the preview to its owner: wParam = the preview, being destroyed */
#define IDS_PCOPY_COPIED            6500  /* Pattern Copy status: "%d" is the slot's number */
#define IDS_PCOPY_EXPORTED          6501
#define IDS_PCOPY_IMPORTED          6502
#define IDS_FRAME_TIME_CHOICES      6503  /* record too large: followed by the frame times that fit */
#define IDS_FRAME_TIME_NONE         6504  /* record too large at every frame time */
#define IDS_IDENTITY_FULL           6505  /* patient page: what of the identity the PSG file carries */
#define IDS_IDENTITY_RESEARCH       6506  /* followed by the study code and what is kept, then ")" */
#define IDS_IDENTITY_NO_CODE        6507
#define IDS_IDENTITY_KEEP_AGE       6508
#define IDS_IDENTITY_KEEP_SEX       6509
#define IDS_IDENTITY_NEW_DATE       6510
#define IDS_CAL_SQUARE              6511  /* source page: calibration waveforms */
#define IDS_CAL_SINE                6512
#define IDS_SHORT_RECORDING         6513  /* "%s": announced length, held length, held length */

/* ---- 14. Names for the code ---------------------------------------------- */
#ifndef RC_INVOKED
#define DLG_SOURCEDATA              "SOURCEDATA"
#define DLG_PATIENTSETUP            "PATIENTSETUP"
#define DLG_MONTAGESETUP            "MONTAGESETUP"
#define DLG_CONVERTINFO             "CONVERTINFO"
#define DLG_POSLEVELSETUP           "POSLEVELSETUP"
#define DLG_FACILITYNAME            "FACILITYNAME"
#define DLG_PATIENTOPTIONS          "PATIENTOPTIONS"
#define DLG_MONTAGEOPTIONS          "MONTAGEOPTIONS"
#define DLG_PATTERNCOPY             "PATTERNCOPY"

#define SMALL_ICON_NAME             "SMALL"

#define MAIN_CLASS                  "MORLEXCONVERTER"
#define MAIN_TITLE                  "TAFFormat To PSG File Converter"
#define PREVIEW_CLASS               "MORLEXPREVIEW"
#define PREVIEW_OVERVIEW_CLASS      "MORLEXOVERVIEW"  /* the preview's strip of the whole night (IDC_PREV_OVERVIEW) */
#define CHECK_CLASS                 "MORLEXCHECK"     /* the check window (IDM_FILE_CHECK) */

#endif /* RC_INVOKED */

/* Window class of the montage grid, also named by the montage page's
 * template. The display control's class is defined by ctlkit/ctlkit.h. */
#define GRID_CLASS                  "MORLEXMONTPATTERN"
/* Window class of the host each tab page lives in (scrolls a page that does
 * not fit). */
#define PAGE_HOST_CLASS             "MORLEXPAGEHOST"
