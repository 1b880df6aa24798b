// The VAT rates window as the window toolkit sees it: plain data that says what to show (rows
// of a label and a drop-down list, a read-only extra row, two buttons) and, after the person
// closed it, what was chosen. The driver's form model fills it; the Win32 side turns it into a
// modal dialog. No window-system type appears here, so domain code may include it.
#pragma once

#include <string>
#include <vector>

namespace platform {

// One row of the window: a right-aligned label and a drop-down list of choices.
struct RatesDialogRow {
  std::string label;
  std::vector<std::string> choices;
  int selected = -1;  // index into choices; -1: nothing selected
  bool visible = true;
  bool enabled = true;
};

struct RatesDialog {
  std::string caption;
  std::string okText;
  std::string cancelText;
  bool okEnabled = true;
  // The slot rows, top to bottom.
  std::vector<RatesDialogRow> rows;
  // The extra row: a label and an editable list showing `extraText`, always disabled.
  bool extraVisible = false;
  std::string extraLabel;
  std::string extraText;
  // The row position (0 = top) the extra row takes when visible.
  int extraPosition = 0;
};

// How the window ended.
enum class DialogResult {
  Ok,           // closed with OK: the rows' `selected` hold the person's choices
  Cancelled,    // closed with Cancel or Escape: nothing changed
  Unavailable,  // no window could be shown (no window system, or it refused)
};

#ifdef _WIN32
// Shows `dialog` as a modal Win32 dialog owned by window `owner` (may be null), centred on the
// desktop. Unavailable when the dialog could not be created.
DialogResult ShowRatesDialogWin32(void* owner, RatesDialog& dialog);
#endif

}  // namespace platform
