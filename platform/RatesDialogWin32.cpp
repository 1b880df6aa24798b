// The VAT rates window as a real Win32 modal dialog, built from a template made in memory (no
// resource compiler). The template only names the controls; WM_INITDIALOG lays them out in
// pixels (client area 248 x 229 at 96 dpi, scaled with the screen's dpi), because dialog units
// depend on the font and the layout is given in pixels.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/RatesDialog.h"

namespace platform {

namespace {

// Control ids; rows count from 0.
constexpr int kIdGroup = 1000;
constexpr int kIdLabel = 1100;
constexpr int kIdList = 1200;
constexpr int kIdExtraLabel = 1300;
constexpr int kIdExtraList = 1301;

// Window classes by their predefined atoms.
constexpr WORD kButton = 0x0080;
constexpr WORD kStatic = 0x0082;
constexpr WORD kComboBox = 0x0085;

// Layout in pixels at 96 dpi.
constexpr int kClientWidth = 248;
constexpr int kClientHeight = 229;
constexpr int kGroupLeft = 8;
constexpr int kGroupTop = 4;
constexpr int kGroupWidth = 161;
constexpr int kGroupHeight = 221;
constexpr int kRowTop = 16;  // first row, from the top of the group box
constexpr int kRowStep = 20;
constexpr int kLabelLeft = 14;
constexpr int kLabelWidth = 38;
constexpr int kListLeft = 56;
constexpr int kListWidth = 105;
constexpr int kListDropHeight = 200;  // the list with its drop-down part open
constexpr int kButtonLeft = 178;
constexpr int kButtonWidth = 62;
constexpr int kButtonHeight = 25;
constexpr int kOkTop = 12;
constexpr int kCancelTop = 44;

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

// Texts are Windows-1250 bytes, whatever code page the system runs with.
std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n =
      MultiByteToWideChar(1250, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(1250, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

// A dialog template in memory: DLGTEMPLATE, then one DLGITEMTEMPLATE per control, each on a
// DWORD boundary.
class Template {
 public:
  explicit Template(DWORD style) {
    Dword(style);
    Dword(0);  // extended style
    count_ = words_.size();
    Word(0);                              // number of controls, filled in by Add
    for (int i = 0; i < 4; ++i) Word(0);  // position and size: set in WM_INITDIALOG
    Word(0);                              // no menu
    Word(0);                              // the standard dialog class
    Word(0);                              // no title: set in WM_INITDIALOG
    Word(8);                              // font size in points
    for (const wchar_t* c = L"Arial"; *c != 0; ++c) Word(static_cast<WORD>(*c));
    Word(0);
  }

  void Add(WORD cls, int id, DWORD style) {
    while (words_.size() % 2 != 0) Word(0);
    Dword(style | WS_CHILD);
    Dword(0);
    for (int i = 0; i < 4; ++i) Word(0);
    Word(static_cast<WORD>(id));
    Word(0xFFFF);
    Word(cls);
    Word(0);  // no text: set in WM_INITDIALOG
    Word(0);  // no creation data
    ++words_[count_];
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Word(WORD w) { words_.push_back(w); }
  void Dword(DWORD d) {
    Word(static_cast<WORD>(d & 0xFFFF));
    Word(static_cast<WORD>(d >> 16));
  }
  std::vector<WORD> words_;  // WORD-aligned; DialogBoxIndirect needs a DWORD-aligned start,
                             // which the allocator's alignment gives
  size_t count_ = 0;
};

int Scale(int pixels, int dpi) {
  return MulDiv(pixels, dpi, 96);
}

void Place(HWND dialog, int id, int x, int y, int width, int height, int dpi) {
  SetWindowPos(GetDlgItem(dialog, id), nullptr, Scale(x, dpi), Scale(y, dpi), Scale(width, dpi),
               Scale(height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
}

int RowTop(int position) {
  return kGroupTop + kRowTop + kRowStep * position;
}

void FillRow(HWND dialog, int labelId, int listId, const RatesDialogRow& row) {
  SetDlgItemTextW(dialog, labelId, Wide(row.label).c_str());
  HWND list = GetDlgItem(dialog, listId);
  for (const std::string& choice : row.choices) {
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(choice).c_str()));
  }
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(row.selected), 0);
  EnableWindow(list, row.enabled ? TRUE : FALSE);
  const int show = row.visible ? SW_SHOW : SW_HIDE;
  ShowWindow(GetDlgItem(dialog, labelId), show);
  ShowWindow(list, show);
}

void Init(HWND dialog, const RatesDialog& d) {
  HDC dc = GetDC(dialog);
  const int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc != nullptr) ReleaseDC(dialog, dc);

  SetWindowTextW(dialog, Wide(d.caption).c_str());
  RECT frame = {0, 0, Scale(kClientWidth, dpi), Scale(kClientHeight, dpi)};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  // Centred on the desktop, like the host's own windows, not on the owner.
  SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);

  Place(dialog, kIdGroup, kGroupLeft, kGroupTop, kGroupWidth, kGroupHeight, dpi);
  const int rows = static_cast<int>(d.rows.size());
  for (int i = 0; i < rows; ++i) {
    Place(dialog, kIdLabel + i, kLabelLeft, RowTop(i) + 4, kLabelWidth, 14, dpi);
    Place(dialog, kIdList + i, kListLeft, RowTop(i), kListWidth, kListDropHeight, dpi);
    FillRow(dialog, kIdLabel + i, kIdList + i, d.rows[static_cast<size_t>(i)]);
  }

  RatesDialogRow extra;
  extra.label = d.extraLabel;
  extra.visible = d.extraVisible;
  extra.enabled = false;
  FillRow(dialog, kIdExtraLabel, kIdExtraList, extra);
  SetDlgItemTextW(dialog, kIdExtraList, Wide(d.extraText).c_str());
  Place(dialog, kIdExtraLabel, kLabelLeft, RowTop(d.extraPosition) + 4, kLabelWidth, 14, dpi);
  Place(dialog, kIdExtraList, kListLeft, RowTop(d.extraPosition), kListWidth, kListDropHeight, dpi);
  // Where it lies over a slot row, the extra row is the one seen: the covered row is hidden
  // (its list keeps its choice).
  if (d.extraVisible && d.extraPosition >= 0 && d.extraPosition < rows) {
    ShowWindow(GetDlgItem(dialog, kIdLabel + d.extraPosition), SW_HIDE);
    ShowWindow(GetDlgItem(dialog, kIdList + d.extraPosition), SW_HIDE);
  }

  SetDlgItemTextW(dialog, IDOK, Wide(d.okText).c_str());
  SetDlgItemTextW(dialog, IDCANCEL, Wide(d.cancelText).c_str());
  EnableWindow(GetDlgItem(dialog, IDOK), d.okEnabled ? TRUE : FALSE);
  Place(dialog, IDOK, kButtonLeft, kOkTop, kButtonWidth, kButtonHeight, dpi);
  Place(dialog, IDCANCEL, kButtonLeft, kCancelTop, kButtonWidth, kButtonHeight, dpi);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      Init(dialog, *reinterpret_cast<const RatesDialog*>(lParam));
      return TRUE;  // focus to the first control that takes it
    case WM_COMMAND: {
      auto* d = reinterpret_cast<RatesDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
      switch (LOWORD(wParam)) {
        case IDOK:
          // Enter presses the default button even when it is disabled (a read-only window).
          if (d == nullptr || !IsWindowEnabled(GetDlgItem(dialog, IDOK))) return TRUE;
          for (size_t i = 0; i < d->rows.size(); ++i) {
            const LRESULT sel =
                SendDlgItemMessageW(dialog, kIdList + static_cast<int>(i), CB_GETCURSEL, 0, 0);
            d->rows[i].selected = sel == CB_ERR ? -1 : static_cast<int>(sel);
          }
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:  // the Cancel button, Escape and the close box
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    }
    default:
      return FALSE;
  }
}

}  // namespace

DialogResult ShowRatesDialogWin32(void* owner, RatesDialog& dialog) {
  Template t(kDialogStyle);
  t.Add(kButton, kIdGroup, BS_GROUPBOX | WS_VISIBLE);
  // Tab order: the slot lists top to bottom, then the buttons.
  for (size_t i = 0; i < dialog.rows.size(); ++i) {
    t.Add(kStatic, kIdLabel + static_cast<int>(i), SS_RIGHT | WS_VISIBLE);
    t.Add(kComboBox, kIdList + static_cast<int>(i),
          CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_VISIBLE);
  }
  t.Add(kStatic, kIdExtraLabel, SS_RIGHT);
  t.Add(kComboBox, kIdExtraList, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP);
  t.Add(kButton, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE);
  t.Add(kButton, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE);

  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&DialogProc), &module);
  HWND ownerWindow = static_cast<HWND>(owner);
  // A handle that is no window (the host gave none, or a stale one) leaves it unowned.
  if (ownerWindow != nullptr && !IsWindow(ownerWindow)) ownerWindow = nullptr;
  const INT_PTR result = DialogBoxIndirectParamW(module, t.Get(), ownerWindow, DialogProc,
                                                 reinterpret_cast<LPARAM>(&dialog));
  if (result == IDOK) return DialogResult::Ok;
  if (result == IDCANCEL) return DialogResult::Cancelled;
  return DialogResult::Unavailable;
}

}  // namespace platform
