// A data-source unit for the tests of bound units (EditBox, Label): one
// current record held in memory, the clients it has registered, and the
// notices a database unit would send them.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "framework/wnd.h"
#include "runtime/program_image.h"
#include "units/data_source.h"

struct TestSourceState {
  DataSource table;  // first: the functions get the state as `self`
  std::vector<std::string> columns{"name", "path"};
  std::vector<std::string> values{"n1", "C:\\pe"};  // the current record
  bool readOnly = false;
  std::vector<HWND> clients;
};

class TestSourceUnit : public Wnd {
 public:
  TestSourceUnit(uint32_t windowId, uint32_t unitId);
  TestSourceState source;
  // Sends a notice to every registered client.
  void Notify(int32_t code, int32_t subCode = 0, int32_t first = 0, int32_t count = 0);

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage() override;

 private:
  uint32_t windowId_, unitId_;
};

// The unit type (kind 1 only, eight common properties), for a test library.
DataTypeRecord TestDataSourceType();
