#pragma once
// String resources of the shell controls: the list view's column headers
// (name, size, type, date, attributes), in column order, and the messages.
#define IDS_SHELL_COLUMN_FIRST 6100
#define IDS_SHELL_BAD_PARAMETER 6110
