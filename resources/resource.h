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

#endif
