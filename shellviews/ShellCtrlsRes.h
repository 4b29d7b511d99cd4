#pragma once
// String resources of the shell controls: the list view's column headers
// (name, size, type, date, attributes), in column order.
#define IDS_SHELL_COLUMN_FIRST 6100
