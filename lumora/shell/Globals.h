// State every part of the game shares with the shell: pressed keys, window
// activity, the last 3D frame's duration, and the shell's loop helpers.
#pragma once

class XScene;

// 1 while the key (Windows virtual-key code) is down.
extern int g_Keys[256];
// 1 while the window is active and not minimised.
extern int g_Active;
// Seconds taken by the last rendered 3D frame.
extern float g_FrameTime;
// The current 3D scene or null.
extern XScene* g_CurrentScene;

// Handles every waiting window message. The quit message ends the program.
void PumpMessages();
// Waits `ms` on the millisecond clock without pumping messages. Under the
// fixed clock (which moves only when a frame is presented) it returns at once.
void Wait(unsigned ms);
// Nonzero when the key is down right now.
int KeyPressed(int vk);
// 1 when the file can be opened for reading (0 for a null path).
int FileExists(const char* path);
