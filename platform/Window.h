// The main window and its message queue, with Windows numbering and packing.
//
// Host events (keys, text, mouse, focus, minimise, close) are read from the
// backend inside PeekMessage / GetMessage, as Windows does: input becomes
// posted messages, activation and close requests are sent straight to the
// window procedure. Everything here belongs to the window thread, except
// PostMessage and PostQuitMessage, which any thread may call.
#pragma once

#include "platform/Backend.h"
#include "platform/Types.h"

namespace platform {

ATOM RegisterClass(const WNDCLASS* windowClass);
BOOL UnregisterClass(const char* className, HINSTANCE instance);

// width and height give the client area (the picture); this host has no
// window frame. CW_USEDEFAULT gives 640 x 480, centred on the desktop. The
// first window created becomes the main window: the one the host shows and
// the one that receives input.
HWND CreateWindow(const char* className, const char* title, DWORD style, int x, int y, int width, int height,
                  HWND parent = nullptr, void* menu = nullptr, HINSTANCE instance = nullptr, void* param = nullptr);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
HWND GetMainWindow();
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
// Waits for a message; FALSE when it is WM_QUIT.
BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
BOOL WaitMessage();
// Posts WM_CHAR (WM_SYSCHAR) for a key down that types characters; they come
// out of the queue next.
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
// Translates and dispatches every waiting message without blocking; false once
// WM_QUIT has been taken (the rest of the queue is left for later).
bool PumpMessages();
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window procedure directly, on the calling thread (the window thread).
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// Window timers: WM_TIMER with wParam = id (lParam = the timer procedure,
// which DispatchMessage calls instead of the window procedure). Elapse is
// at least 10 ms; a timer that is due when no other message waits is
// delivered once, however many periods passed.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// Key state: bit 0x8000 while down; bit 1 when pressed since the last call.
SHORT GetAsyncKeyState(int vk);
// Bit 0x8000 while down; bit 1 toggled (caps lock and the like).
SHORT GetKeyState(int vk);
UINT MapVirtualKey(UINT code, UINT mapType);
UINT GetDoubleClickTime();

BOOL GetCursorPos(POINT* point);
BOOL SetCursorPos(int x, int y);
BOOL ScreenToClient(HWND hwnd, POINT* point);
BOOL ClientToScreen(HWND hwnd, POINT* point);
// The system pointer shows while the display count is 0 or more.
int ShowCursor(BOOL show);

BOOL ShowWindow(HWND hwnd, int command);
BOOL UpdateWindow(HWND hwnd);
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
void* BeginPaint(HWND hwnd, PAINTSTRUCT* paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL GetWindowRect(HWND hwnd, RECT* rect);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu);
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle);
LONG GetWindowLong(HWND hwnd, int index);
LONG SetWindowLong(HWND hwnd, int index, LONG value);
LONG_PTR GetWindowLongPtr(HWND hwnd, int index);
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);
BOOL SetWindowText(HWND hwnd, const char* text);
int GetWindowText(HWND hwnd, char* buffer, int size);
BOOL IsIconic(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
HWND GetActiveWindow();
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND hwnd);

// Full screen is the desktop-sized window; the client area keeps its size
// in picture pixels and the picture is scaled to the desktop.
BOOL SetFullScreen(HWND hwnd, BOOL fullScreen);
BOOL IsFullScreen(HWND hwnd);

int GetSystemMetrics(int index);
BOOL SystemParametersInfo(UINT action, UINT param, void* data, UINT winIni);

// Test hooks. InjectEvent translates a synthetic host event exactly as the
// backends' events are translated. ResetWindowState drops queued messages,
// timers, the quit request and all key, mouse and double-click state.
void InjectEvent(const BackendEvent& event);
void ResetWindowState();

}  // namespace platform
