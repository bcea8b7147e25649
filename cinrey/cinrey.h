/* cinrey: the video player the game calls for its AVI sequences.
 *
 * One movie at a time. The game opens a file, attaches the player to its
 * main window, starts playback and then keeps pumping its messages while it
 * asks for the status, until the status says the movie has ended; then it
 * closes the movie. Pictures are shown in the window through the platform
 * layer (scaled to 640 x 480 with their aspect kept), the sound track plays
 * through the platform's sound buffers.
 *
 * The players' calls are numbered (they were imported by number): 2 open,
 * 3 attach to window, 5 play, 4 status, 1 close. */
#ifndef CINREY_CINREY_H
#define CINREY_CINREY_H

#if defined(__GNUC__)
#define CINREY_API __attribute__((visibility("default")))
#else
#define CINREY_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status values. */
#define CINREY_CLOSED 0
#define CINREY_READY 1  /* open, not started */
#define CINREY_PLAYING 2
#define CINREY_ENDED 4

/* Opens a movie (a data path: letter case and backslashes do not matter).
 * 0 when it can be played, -1 when the file cannot be opened or has no
 * picture. A movie still open is closed first. */
CINREY_API int Cinrey_Open(const char* path);
/* The window the pictures go to (the game's main window). */
CINREY_API void Cinrey_Set_Window(void* window);
/* Starts playback; both arguments are 0. 0 when playback started. */
CINREY_API int Cinrey_Play(int from, int flags);
/* Shows the picture that is due (one picture per call under a fixed clock)
 * and tells where the movie is: CINREY_ENDED once the last picture has been
 * shown. */
CINREY_API int Cinrey_Status(void);
/* Stops and releases the movie. */
CINREY_API void Cinrey_Close(void);

#ifdef __cplusplus
}
#endif

#endif
