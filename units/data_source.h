// What a bound EditBox or Label needs of a data-source unit. The data-source
// units themselves (record-file databases) are not part of this program;
// anything that answers kDataSourceQuery with a DataSource can serve.
#pragma once
#include <windows.h>

#include <cstdint>

#include "forms/window_template.h"

// Sent to a unit's window: a data-source unit answers its DataSource*,
// every other unit 0.
constexpr UINT kDataSourceQuery = 0x8071;
// Sent by a source to each registered client window: wParam is the code,
// lParam points to a DataSourceNotice.
constexpr UINT kDataSourceNoticeMessage = 0x8072;

enum DataSourceCode : int32_t {
  kSourceRecordChanged = 1,  // subCode 0, 4, 6; 10 with a column range
  kSourceReadOnlyChanged = 2,
  kSourceReloaded = 3,
  kSourceWriteBack = 4,  // bound boxes write their text into the current record
  kSourceMoved = 5,
  kSourceCleared = 6,
};

struct DataSourceNotice {
  int32_t code;
  int32_t subCode;
  int32_t firstColumn;  // with subCode 10: the columns [first, first + count)
  int32_t columnCount;
};

// Whether a kSourceRecordChanged notice touches `column` (-1: none bound):
// sub-codes 0, 4 and 6 touch every column, 10 the columns of its range.
bool RecordChangeTouches(const DataSourceNotice& notice, int32_t column);

// A table of functions, each taking the source itself first.
struct DataSource {
  void (*registerClient)(DataSource* self, HWND client);
  void (*unregisterClient)(DataSource* self, HWND client);
  int32_t (*columnIndex)(DataSource* self, const char* name);  // -1: no such column
  // A new heap text (null for empty) with the column of the current record.
  char* (*readColumn)(DataSource* self, int32_t column);
  bool (*writeColumn)(DataSource* self, int32_t column, const char* text);
  bool (*isReadOnly)(DataSource* self);
};

// Whether the source a client linked to may still be told anything: its
// unit's window is there and still answers with that same source (a window
// handle may have been reused, the source unit made anew).
bool SourceStillLinked(HWND sourceWindow, DataSource* source);

// The data-source unit of the window whose unit table holds `name`
// (case-insensitive), or null. *sourceWindow, when asked for, receives the
// source unit's window so that a client can tell later whether it still lives.
DataSource* FindDataSource(WindowId windowId, const char* name, HWND* sourceWindow = nullptr);
