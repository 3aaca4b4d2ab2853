/* Resource and control ids, read by the resource compiler and the code.
   Plain defines only: windres reads this file too. */
#ifndef VOLTRAK_RESOURCE_H
#define VOLTRAK_RESOURCE_H

/* Icons and bitmaps */
#define IDI_VOLTRAK 101
#define IDB_PLUGIN 111
/* The splash picture is the named bitmap "TITLE". */

/* The maker's web address: the marquee button's template caption and the
   target of its command. */
#define MAKER_WEB_ADDRESS "https://voltrak.example.org/"

/* String table */
#define IDS_PLAYER_LINK_HELP 1

/* Dialog templates */
#define IDD_OPTIONS 110
#define IDD_MAIN 116
#define IDD_EDIT 120
#define IDD_DUPLICATE 125
#define IDD_TREE_VIEW 126

/* Main window (116): left column */
#define IDC_OPEN 40001
#define IDC_REOPEN 40003
#define IDC_WINAMP 1062
#define IDC_EXPLORE_FOLDER 1066
#define IDC_CREATE_HTML 1034
#define IDC_SPLIT_LISTS 40002
#define IDC_CREATE_LBL 1064
#define IDC_COPY_TRACKS 40006
#define IDC_PRINT 1033
#define IDC_EDIT 1036
#define IDC_CREATE_CUE 1037

/* Main window (116): second column */
#define IDC_LAUNCH 1063
#define IDC_EXIT 1004
#define IDC_RESET 1032
#define IDC_COPY_CLIPBOARD 1031
#define IDC_OPTIONS 1065
#define IDC_ALWAYS_ON_TOP 1011
#define IDC_WARN_LOAD_ERRORS 1015
#define IDC_RESERVED_SPLIT 1035
#define IDC_MAXIMUM_VOLUMES 1060
#define IDC_MAXIMUM_VOLUMES_SPIN 1061

/* Main window (116): marquee, bitmap button, progress, build stamp */
#define IDC_MARQUEE 1020
#define IDC_PLUGIN 1095
#define IDC_PROGRESS 1012
#define IDC_DROP_PROGRESS 1014
#define IDC_BUILD_DATE 1006
#define IDC_BUILD_TIME 1009

/* Main window (116): read-outs and lists */
#define IDC_PLAYLIST_TOTAL 1005
#define IDC_MEDIUM 1007
#define IDC_RESERVE 1008
#define IDC_TOTAL_KB 1013
#define IDC_MEDIUM_LIST 1046
#define IDC_DUPLICATE_MODE 1055
#define IDC_PATH_MODE 1056
#define IDC_FILL_MODE 1057

/* Options (110): the ten switches, then the player's folder. OK and Cancel
   are IDOK and IDCANCEL. */
#define IDC_OPT_TRACK_LISTING 1067
#define IDC_OPT_BY_TITLE 1068
#define IDC_OPT_BY_ARTIST 1069
#define IDC_OPT_BY_ALBUM 1070
#define IDC_OPT_BY_PATH 1071
#define IDC_OPT_PALM_READY 1072
#define IDC_OPT_STRIP_NUMBERS 1073
#define IDC_OPT_NAME_BY_INFO 1074
#define IDC_OPT_SINGLE_TRACK_INFO 1078
#define IDC_OPT_AUTO_REPEAT 1080
#define IDC_OPT_PLAYER_FOLDER_BUTTON 1075
#define IDC_OPT_PLAYER_FOLDER 1076
#define IDC_OPT_PICTURE 1077
#define IDC_OPT_MEASURE_UNTIMED 1112
#define IDC_OPT_READ_ID3V2 1113

/* Duplicate question (125): the "Duplicate 1" and "Duplicate 2" panels */
#define IDC_DUP1_FILE_NAME 1080
#define IDC_DUP1_PLAY_LENGTH 1093
#define IDC_DUP1_FILE_SIZE 1090
#define IDC_DUP1_ENTRY 1091
#define IDC_DUP1_EXTENDED_INFO 1085
#define IDC_DUP1_TITLE 1081
#define IDC_DUP1_ARTIST 1082
#define IDC_DUP1_ALBUM 1083
#define IDC_DUP1_COMMENT 1086
#define IDC_DUP1_REMOVE 1084
#define IDC_DUP2_FILE_NAME 1103
#define IDC_DUP2_PLAY_LENGTH 1111
#define IDC_DUP2_FILE_SIZE 1107
#define IDC_DUP2_ENTRY 1108
#define IDC_DUP2_EXTENDED_INFO 1109
#define IDC_DUP2_TITLE 1104
#define IDC_DUP2_ARTIST 1105
#define IDC_DUP2_ALBUM 1106
#define IDC_DUP2_COMMENT 1110
#define IDC_DUP2_REMOVE 1102
#define IDC_DUP_KEEP_BOTH 1094
#define IDC_DUP_STOP_CHECKING 1095

/* Edit dialog (120). OK is IDOK; the build stamp reuses the main window's
   IDC_BUILD_DATE and IDC_BUILD_TIME. Up is id 2, the dialog manager's
   Escape id, so Escape presses Up. */
#define IDC_EDIT_UP 2
#define IDC_EDIT_DOWN 3
#define IDC_EDIT_TOP 4
#define IDC_EDIT_BOTTOM 5
#define IDC_EDIT_INVERT 6
#define IDC_EDIT_SELECT_FIRST_VOLUME 7
#define IDC_EDIT_REMOVE 8
#define IDC_EDIT_CANCEL 9
#define IDC_EDIT_TREE_VIEW 10
#define IDC_EDIT_CLEAR 11
#define IDC_EDIT_LIST 1096
#define IDC_EDIT_COUNT 1097
#define IDC_EDIT_TIME 1098
#define IDC_EDIT_TITLE 1081
#define IDC_EDIT_ARTIST 1082
#define IDC_EDIT_ALBUM 1083
#define IDC_EDIT_TRACK 1084
#define IDC_EDIT_COMMENT 1086
#define IDC_EDIT_FILE_NAME 1087
#define IDC_EDIT_TEST 1102

/* Tree view (126) */
#define IDC_TREE 1101

#endif
