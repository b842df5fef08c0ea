#pragma once

// Identifiers of the pictures, icon, version record and manifest compiled into trasvidora.exe.
// Shared by the resource script and the window code.

#define IDI_TRASVIDORA 1

#define IDB_FRAME_TOP 101
#define IDB_FRAME_BOTTOM 102
#define IDB_FRAME_LEFT 103
#define IDB_FRAME_RIGHT 104
#define IDB_TITLE_STRIP 105
#define IDB_CLOSE_PLAIN 110
#define IDB_CLOSE_HOVER 111
