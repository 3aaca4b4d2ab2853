/* Resource and control ids, read by the resource compiler and the code. */
#ifndef VOLTRAK_RESOURCE_H
#define VOLTRAK_RESOURCE_H

#define IDI_VOLTRAK 101
#define IDD_MAIN 116

/* Main window */
#define IDC_PLAYLIST_TOTAL 1005
#define IDC_TOTAL_KB 1013
#define IDC_PROGRESS 1012

#endif
