// The sound bank: 256 slots, each holding one sound buffer filled once from
// a WAV file, played, stopped and adjusted by its slot number. A slot number
// is 0..255 as LoadSound returns it; -1 stands for no sound. Every function
// treats a number outside 0..255 like an empty slot. Main thread only.
#pragma once

#include "dsound_api.h"

#define MAX_SOUNDS 256

struct SSoundSlot {
    IDirectSoundBuffer* m_pBuffer;  // NULL = empty slot
    int m_bInUse;                   // 1 = taken (loaded, or released until InitSound)
    int m_nSampleRate;              // as the file's format chunk states
    int m_nDataSize;                // bytes of sound data, also the buffer's size
    int m_nIndex;                   // the slot's own number
};

extern SSoundSlot g_Sounds[MAX_SOUNDS];
extern IDirectSound* g_pDirectSound;
extern int g_bSoundFirstInit;
extern WAVEFORMATEX g_WaveFormat;
extern DSBUFFERDESC g_BufferDesc;

// 1 done; 0 when the sound device cannot be created or set up: the first
// call then says on stderr that the game plays silent, and every load fails.
// A later call stops and releases every sound and empties the table, keeping
// the device.
int InitSound();
// The slot 0..255 the file went into, or -1. Every sound plays as 8-bit
// mono samples at 11025 Hz, whatever the file's format chunk says.
int LoadSound(const char* fileName, DWORD flags);
int DuplicateSound(int nSound);
// Rewinds and plays (flags 0 = once, DSBPLAY_LOOPING). 1, or 0 on failure.
int StartSound(int nSound, DWORD flags);
int StopSound(int nSound);
int StopAllSounds();
// v 0..100 maps to -30..0 dB. 1 only when the buffer took the value.
int SetSoundVolume(int nSound, int v);
int SetSoundFrequency(int nSound, DWORD dwFrequency);
int SetSoundPan(int nSound, LONG lPan);
// The DSBSTATUS bits (exactly 0 when stopped), or -1 for an empty slot.
int GetSoundStatus(int nSound);
int ReleaseSound(int nSound);
int ReleaseAllSounds();
// The last call the module takes.
int ShutdownSound();
