#include <windows.h>

#include "core/launch_config.h"
#include "core/report.h"
#include "splash/splash.h"

namespace {

constexpr int SplashBitmapId = 8000;
constexpr UINT_PTR SecondsTimer = 1;
constexpr UINT_PTR WindowTimer = 2;
constexpr UINT WindowPollMilliseconds = 100;

// Touched by the splash thread alone.
HWND SplashWindow = nullptr;
WNDPROC StaticClassProc = nullptr;
int VisibleWindowCount = 0;

BOOL CALLBACK CountVisibleWindow(HWND window, LPARAM processId) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == static_cast<DWORD>(processId) && IsWindowVisible(window) == 1) {
    ++VisibleWindowCount;
  }
  return TRUE;
}

// The number of visible top-level windows of the process, of every thread.
int CountVisibleProcessWindows(DWORD processId) {
  VisibleWindowCount = 0;
  EnumWindows(CountVisibleWindow, static_cast<LPARAM>(processId));
  return VisibleWindowCount;
}

// Hides the window and ends the splash thread's message loop; the window goes with
// the thread.
void CloseSplash() {
  ShowWindow(SplashWindow, SW_HIDE);
  PostMessageA(SplashWindow, WM_QUIT, 0, 0);
}

LRESULT CALLBACK SplashWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST:
      // A plain static control lets the mouse through to what lies beneath.
      return HTCLIENT;
    case WM_CLOSE:
      PostQuitMessage(0);
      break;
    case WM_TIMER:
      if (wParam == SecondsTimer) {
        KillTimer(SplashWindow, SecondsTimer);
        CloseSplash();
      } else if (wParam == WindowTimer) {
        // The splash itself is one of the visible windows.
        if (CountVisibleProcessWindows(GetCurrentProcessId()) >= 2) {
          KillTimer(SplashWindow, WindowTimer);
          CloseSplash();
        }
      }
      break;
  }
  return CallWindowProcA(StaticClassProc, window, message, wParam, lParam);
}

// Creates the window and, when the bitmap can be loaded, shows it centred on the
// primary screen. Without the bitmap the window stays hidden.
void CreateSplashWindow() {
  const HINSTANCE module = GetModuleHandleA(nullptr);
  SplashWindow =
      CreateWindowExA(0, "STATIC", LaunchConfig.SplashCaption.c_str(), WS_POPUP | SS_BITMAP, 0, 0,
                      0, 0, nullptr, nullptr, module, nullptr);
  if (SplashWindow == nullptr) return;
  StaticClassProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(SplashWindow, GWLP_WNDPROC));
  SetWindowLongPtrA(SplashWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SplashWindowProc));

  // The bitmap lives until the process ends.
  const HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(SplashBitmapId));
  if (bitmap == nullptr) return;
  // The static control takes the bitmap's size.
  SendMessageA(SplashWindow, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));

  RECT rect;
  GetWindowRect(SplashWindow, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  // A picture larger than the screen hangs over both edges alike.
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  SetWindowPos(SplashWindow, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(SplashWindow, SW_SHOW);
  BringWindowToTop(SplashWindow);
}

// Timer 1's interval for `seconds`: a setting beyond the largest interval a timer
// takes (about 24.8 days), or below zero, gets the largest instead of wrapping round
// to a short one.
UINT SplashTimerInterval(int seconds) {
  if (seconds < 0 || seconds > static_cast<int>(USER_TIMER_MAXIMUM / 1000)) {
    return USER_TIMER_MAXIMUM;
  }
  return static_cast<UINT>(seconds) * 1000u;
}

void RunSplash() {
  CreateSplashWindow();
  // Without a window no timer could ever end the loop below.
  if (SplashWindow == nullptr) return;
  if (LaunchConfig.SplashUntilWindow) {
    SetTimer(SplashWindow, WindowTimer, WindowPollMilliseconds, nullptr);
  } else if (LaunchConfig.SplashSeconds != 0) {
    SetTimer(SplashWindow, SecondsTimer, SplashTimerInterval(LaunchConfig.SplashSeconds), nullptr);
  }
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

DWORD WINAPI SplashThread(LPVOID) {
  if (RanOutOfMemory(RunSplash)) ExitProcess(static_cast<UINT>(-1));
  return 0;
}

}  // namespace

void StartSplash() {
  DWORD id = 0;
  // The thread handle is not needed: nothing waits for the splash.
  const HANDLE thread = CreateThread(nullptr, 0, SplashThread, nullptr, 0, &id);
  if (thread != nullptr) CloseHandle(thread);
}
