// The music player: 64 slots, each holding one music segment loaded from a
// standard MIDI file, played, stopped, queried and unloaded by its slot
// number. One segment plays at a time. Main thread only.
//
// The loader and the performance are not made here by the loads: call
// InitMusic first (or set g_pMusicLoader and g_pMusicPerformance to
// objects of your own, the performance initialised) and ShutdownMusic last.
// Every function treats a slot number outside 0..63 like an empty slot.
#pragma once

#include "dmusic_api.h"

#define MAX_MUSIC 64

// Slot states.
#define MUSIC_EMPTY 0
#define MUSIC_LOADED 1
#define MUSIC_PLAYING 2
#define MUSIC_STOPPED 3

struct SMusicSlot {
    IDirectMusicSegment* m_pSegment;            // NULL = empty slot
    IDirectMusicSegmentState* m_pSegmentState;  // from the last PlaySegment, with its reference
    DWORD m_dwReserved;                         // kept for the slot's layout; never used
    int m_nStatus;                              // MUSIC_EMPTY .. MUSIC_STOPPED
};

extern SMusicSlot g_Music[MAX_MUSIC];
extern int g_nCurrentMusic;  // the slot PlayMusic started last, -1 for none
extern IDirectMusicPerformance* g_pMusicPerformance;
extern IDirectMusicLoader* g_pMusicLoader;

// Creates the loader and the performance and initialises the performance
// for the window. 1 done (also when already done), 0 on failure (nothing kept).
int InitMusic(HWND hWnd);
// Unloads every slot, closes the performance and releases both objects.
void ShutdownMusic();

// The slot 0..63 the file went into, or -1 (table full, no loader or
// performance, a name that is too long, a file that is missing or no MIDI file).
// The name is taken relative to the current directory.
int LoadMusic(const char* szFileName);
// 1 started (stopping the slot that was current first), 0 for an empty slot.
int PlayMusic(int nSlot);
// 1 stopped, 0 for an empty slot.
int StopMusic(int nSlot);
// Always 1. Neither stops the segment nor changes g_nCurrentMusic.
int UnloadMusic(int nSlot);
int UnloadAllMusic();
// The slot's new status: MUSIC_PLAYING or MUSIC_STOPPED; 0 for an empty slot.
int IsMusicPlaying(int nSlot);
