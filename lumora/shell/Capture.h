// The recording tool: Control+F12 in a 3D scene saves the window's picture as
// a numbered bitmap file on every pass of the message pump until Control+F12
// is pressed again. Files go to "Capture/" in the save folder.
#pragma once

extern int g_CaptureOn;

// 1 when the capture started; 0 without a current scene.
int CaptureBegin();
void CaptureEnd();
int IsCapturing();
// While capturing, saves the next frame. Always 1.
int CaptureFrame();
// Grabs the main window's client area into a bitmap file. Always 1.
int CaptureToFile(const char* path);
// The hot key, run at the start of every message pump.
void CaptureHotKey();
// The name of a captured frame: dir + "D" + MMDD + "T" + HHMM + "N" + number
// on four digits + ".BMP". dst holds at least 300 bytes.
char* CaptureFileName(const char* dir, const char* date, const char* time, int count, char* dst);
