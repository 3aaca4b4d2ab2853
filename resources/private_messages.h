// The main window's own messages, numbered from WM_APP: numbers from WM_USER
// would collide with the dialog manager's.
#pragma once

#include <windows.h>

constexpr UINT MSG_LOAD_PLAYLIST = WM_APP + 1;
constexpr UINT MSG_PLAN_VOLUMES = WM_APP + 2;
constexpr UINT MSG_START_WATCHER = WM_APP + 3;
constexpr UINT MSG_STOP_WATCHER = WM_APP + 4;
constexpr UINT MSG_REWRITE_PLAYLIST = WM_APP + 5;

// The Edit dialog's refresh request to itself: wParam 0 rebuilds its list, 1
// updates its move buttons. The main window never receives it.
constexpr UINT MSG_EDIT_REFRESH = WM_APP;
constexpr WPARAM kEditRebuildList = 0;
constexpr WPARAM kEditUpdateMoveButtons = 1;

// Sent by the main window to every dialog open over it that shows rows of
// the list (those that carry the property below), when a load begins
// (wParam kLoadBegins: the list is being replaced, read none of it) and when
// the outermost load has ended (kLoadEnded: show the list as it now is). A
// reload by the file watcher may come while such a dialog is open.
constexpr UINT MSG_PLAYLIST_RELOAD = WM_APP + 6;
constexpr WPARAM kLoadBegins = 0;
constexpr WPARAM kLoadEnded = 1;
inline constexpr const char* kFollowsLoadsProperty = "Voltrak.FollowsLoads";
