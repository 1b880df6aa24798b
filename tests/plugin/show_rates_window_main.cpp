// Shows the VAT rates window for a sample mapping, as the driver shows it inside the host: a
// host (the recording host of the tests) with five VAT rates and a stored mapping, a hidden
// main window registered as the owner of the driver's windows, and the action's
// WyswietlOknoStawekNaKasie. Then it prints what the window looked like and what the host has
// stored, so that a script can drive the window and check the outcome.
//
//   show_rates_window [--read-only] [--precise] [--special TEXT] [--timeout SECONDS]
//                     [--keys KEYS]
//
// --special shows the read-only extra row ("zw") labelled TEXT.
// --keys sends key presses to the window once it is shown, as messages to the focused control
// (comma-separated names: up, down, return, escape, tab), for running without an X keyboard.
// Without a person or --keys the window stays until --timeout (default 60 s), then is
// cancelled and the program fails.
//
// Output, a line each: "window: caption=<text> owner=host|other client=<w>x<h> lists=<n>",
// then "stored: <key>=<value with CR LF as |>" for each parameter the host stored, then
// "message: <significance> <text>" for each line of the host's list. Exit code 0 when the
// window was seen, owned by the host's window and of the right size; 1 otherwise; 3 on timeout.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "TestDriver.h"
#include "hostlib/TxTools.h"
#include "platform/Env.h"
#include "plugin/TKSLibrary.h"
#include "testutil/RecordingHost.h"

// After the driver's headers: <windows.h> renames functions by macro.
#include <windows.h>

namespace {

constexpr const wchar_t* kCaption = L"Stawki VAT na kasie";
constexpr UINT_PTR kTimer = 1;
constexpr UINT kTickMs = 100;

struct State {
  HWND host = nullptr;
  HWND dialog = nullptr;
  std::vector<UINT> keys;
  size_t nextKey = 0;
  int ticks = 0;
  int timeoutTicks = 600;
  bool timedOut = false;
  bool ownerOk = false;
  bool sizeOk = false;
  std::string report;
};
State g;

BOOL CALLBACK FindDialog(HWND window, LPARAM) {
  wchar_t cls[64] = {0};
  wchar_t text[128] = {0};
  GetClassNameW(window, cls, 64);
  GetWindowTextW(window, text, 128);
  if (std::wstring(cls) == L"#32770" && std::wstring(text) == kCaption && IsWindowVisible(window)) {
    g.dialog = window;
    return FALSE;
  }
  return TRUE;
}

std::string Narrow(const std::wstring& w) {
  std::string out;
  for (wchar_t c : w) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

void Describe(HWND dialog) {
  wchar_t text[128] = {0};
  GetWindowTextW(dialog, text, 128);
  RECT client;
  GetClientRect(dialog, &client);
  HDC dc = GetDC(dialog);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(dialog, dc);
  const int width = MulDiv(client.right, 96, dpi);
  const int height = MulDiv(client.bottom, 96, dpi);
  int lists = 0;
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t cls[32] = {0};
    GetClassNameW(c, cls, 32);
    if (std::wstring(cls) == L"ComboBox" && IsWindowVisible(c)) ++lists;
  }
  g.ownerOk = GetWindow(dialog, GW_OWNER) == g.host;
  g.sizeOk = width == 248 && height == 229;
  g.report = "window: caption=" + Narrow(text) + " owner=" + (g.ownerOk ? "host" : "other") +
             " client=" + std::to_string(width) + "x" + std::to_string(height) +
             " lists=" + std::to_string(lists);
  std::printf("%s\n", g.report.c_str());
  std::fflush(stdout);
}

void PressKey(UINT key) {
  HWND target = GetFocus();
  if (target == nullptr || !IsChild(g.dialog, target)) target = g.dialog;
  PostMessageW(target, WM_KEYDOWN, key, 1);
  PostMessageW(target, WM_KEYUP, key, (1u << 31) | (1u << 30) | 1);
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kTimer) {
    ++g.ticks;
    if (g.dialog == nullptr) {
      EnumThreadWindows(GetCurrentThreadId(), FindDialog, 0);
      if (g.dialog != nullptr) Describe(g.dialog);
    } else if (g.nextKey < g.keys.size() && IsWindow(g.dialog)) {
      PressKey(g.keys[g.nextKey++]);  // one key a tick, as a person would type
    }
    if (g.ticks >= g.timeoutTicks && !g.timedOut) {
      g.timedOut = true;
      std::printf("timeout: the window was not closed\n");
      std::fflush(stdout);
      if (g.dialog != nullptr && IsWindow(g.dialog)) {
        PostMessageW(g.dialog, WM_COMMAND, IDCANCEL, 0);
      }
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

UINT KeyCode(const std::string& name) {
  if (name == "up") return VK_UP;
  if (name == "down") return VK_DOWN;
  if (name == "return") return VK_RETURN;
  if (name == "escape") return VK_ESCAPE;
  if (name == "tab") return VK_TAB;
  std::fprintf(stderr, "unknown key '%s'\n", name.c_str());
  std::exit(2);
}

std::string Visible(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\r\n") == 0) {
      out += '|';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  bool editable = true;
  bool precise = false;
  std::string special;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--read-only") {
      editable = false;
    } else if (arg == "--precise") {
      precise = true;
    } else if (arg == "--special" && i + 1 < argc) {
      special = argv[++i];
    } else if (arg == "--timeout" && i + 1 < argc) {
      g.timeoutTicks = std::atoi(argv[++i]) * 1000 / static_cast<int>(kTickMs);
    } else if (arg == "--keys" && i + 1 < argc) {
      std::string keys = argv[++i];
      size_t start = 0;
      while (start <= keys.size()) {
        const size_t end = keys.find(',', start);
        const std::string key = keys.substr(start, end == std::string::npos ? end : end - start);
        if (!key.empty()) g.keys.push_back(KeyCode(key));
        if (end == std::string::npos) break;
        start = end + 1;
      }
    } else {
      std::fprintf(stderr,
                   "usage: show_rates_window [--read-only] [--precise] "
                   "[--timeout SECONDS] [--keys up,down,return,escape,tab]\n");
      return 2;
    }
  }

  // The host's main window: never shown, only the owner of the driver's windows.
  WNDCLASSW wc = {};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TrelvaxTestHost";
  RegisterClassW(&wc);
  g.host = CreateWindowW(wc.lpszClassName, L"Torvik", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                         nullptr, wc.hInstance, nullptr);
  if (g.host == nullptr) {
    std::printf("no window system: the host window could not be made\n");
    return 1;
  }
  SetTimer(g.host, kTimer, kTickMs, nullptr);

  testutil::RecordingHost host;
  host.vatRates = {23, 8, 5, 0, -1};
  host.vatRatesPrec = {2300, 800, 550, 500, 0, -1};
  host.params["KS_ElzabSTX_PosortowaneStawkiVat"] = "23\r\n8\r\n5\r\n0\r\n-1";
  host.exchangeDir = platform::TempDirectory();
  std::unique_ptr<TKSLibrary> library(TKSLibrary::RejestrujBiblioteke(&host));
  host.RegisterServices([&](void* f, int code) { library->RejestrujCallback(f, code); });
  TxTools::ApplicationWindow = g.host;
  {
    std::unique_ptr<TKSActionBase> action(library->UtworzAkcje(nullptr));
    if (precise) {
      action->WyswietlOknoStawekNaKasiePrec("1", editable, special);
    } else {
      action->WyswietlOknoStawekNaKasie("1", editable, special);
    }
  }
  TxTools::ApplicationWindow = nullptr;
  KillTimer(g.host, kTimer);
  DestroyWindow(g.host);

  if (g.dialog == nullptr) std::printf("window: none seen\n");
  for (const auto& [key, value] : host.stored) {
    std::printf("stored: %s=%s\n", key.c_str(), Visible(value).c_str());
  }
  for (const auto& m : host.messages) {
    std::printf("message: %s %s\n", std::to_string(m.significance).c_str(), m.text.c_str());
  }
  std::fflush(stdout);
  if (g.timedOut) return 3;
  return g.dialog != nullptr && g.ownerOk && g.sizeOk ? 0 : 1;
}
