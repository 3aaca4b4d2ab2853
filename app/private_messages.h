// The main window's own messages, numbered from WM_APP: numbers from WM_USER
// would collide with the dialog manager's.
#pragma once

#include <windows.h>

constexpr UINT MSG_LOAD_PLAYLIST = WM_APP + 1;
constexpr UINT MSG_PLAN_VOLUMES = WM_APP + 2;
constexpr UINT MSG_START_WATCHER = WM_APP + 3;
constexpr UINT MSG_STOP_WATCHER = WM_APP + 4;
constexpr UINT MSG_REWRITE_PLAYLIST = WM_APP + 5;
