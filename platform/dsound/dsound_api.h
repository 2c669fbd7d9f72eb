// The DirectSound names the program uses: the device object, secondary sound
// buffers, their description and wave format, flags and result codes. Behind
// them is our own software mixer (audio_mixer.h), playing through SDL.
#pragma once

#include "com_api.h"

// ---------------------------------------------------------------- wave format
#define WAVE_FORMAT_PCM 1

// The 18-byte wave format header as it is stored in a file's "fmt " chunk,
// so it is packed: a reader fills it straight from the file's bytes.
#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX must match the file layout");
typedef WAVEFORMATEX* LPWAVEFORMATEX;

// ---------------------------------------------------------------- results
#define DS_OK S_OK
#define DSERR_ALLOCATED ((HRESULT)0x8878000A)
#define DSERR_CONTROLUNAVAIL ((HRESULT)0x8878001E)
#define DSERR_INVALIDPARAM E_INVALIDARG
#define DSERR_INVALIDCALL ((HRESULT)0x88780032)
#define DSERR_GENERIC E_FAIL
#define DSERR_PRIOLEVELNEEDED ((HRESULT)0x88780046)
#define DSERR_OUTOFMEMORY E_OUTOFMEMORY
#define DSERR_BADFORMAT ((HRESULT)0x88780064)
#define DSERR_UNSUPPORTED E_NOTIMPL
#define DSERR_NODRIVER ((HRESULT)0x88780078)
#define DSERR_ALREADYINITIALIZED ((HRESULT)0x88780082)
#define DSERR_NOAGGREGATION ((HRESULT)0x8878008C)
#define DSERR_BUFFERLOST ((HRESULT)0x88780096)
#define DSERR_OTHERAPPHASPRIO ((HRESULT)0x887800A0)
#define DSERR_UNINITIALIZED ((HRESULT)0x887800AA)

// ---------------------------------------------------------------- cooperative levels
#define DSSCL_NORMAL 0x00000001
#define DSSCL_PRIORITY 0x00000002
#define DSSCL_EXCLUSIVE 0x00000003
#define DSSCL_WRITEPRIMARY 0x00000004

// ---------------------------------------------------------------- buffer capabilities
#define DSBCAPS_PRIMARYBUFFER 0x00000001
#define DSBCAPS_STATIC 0x00000002
#define DSBCAPS_LOCHARDWARE 0x00000004
#define DSBCAPS_LOCSOFTWARE 0x00000008
#define DSBCAPS_CTRL3D 0x00000010
#define DSBCAPS_CTRLFREQUENCY 0x00000020
#define DSBCAPS_CTRLPAN 0x00000040
#define DSBCAPS_CTRLVOLUME 0x00000080
#define DSBCAPS_CTRLPOSITIONNOTIFY 0x00000100
#define DSBCAPS_GLOBALFOCUS 0x00008000
#define DSBCAPS_GETCURRENTPOSITION2 0x00010000

// ---------------------------------------------------------------- status, play, lock
#define DSBSTATUS_PLAYING 0x00000001
#define DSBSTATUS_BUFFERLOST 0x00000002
#define DSBSTATUS_LOOPING 0x00000004

#define DSBPLAY_LOOPING 0x00000001

#define DSBLOCK_FROMWRITECURSOR 0x00000001
#define DSBLOCK_ENTIREBUFFER 0x00000002

// ---------------------------------------------------------------- ranges
#define DSBVOLUME_MIN (-10000)
#define DSBVOLUME_MAX 0
#define DSBPAN_LEFT (-10000)
#define DSBPAN_CENTER 0
#define DSBPAN_RIGHT 10000
#define DSBFREQUENCY_ORIGINAL 0
#define DSBFREQUENCY_MIN 100
#define DSBFREQUENCY_MAX 100000
#define DSBSIZE_MIN 4
#define DSBSIZE_MAX 0x0FFFFFFF

// ---------------------------------------------------------------- descriptions
// The full form of the description, ending with the 3-D algorithm
// identifier; dwSize must be sizeof(DSBUFFERDESC).
struct DSBUFFERDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    LPWAVEFORMATEX lpwfxFormat;
    GUID guid3DAlgorithm;
};
typedef DSBUFFERDESC* LPDSBUFFERDESC;
typedef const DSBUFFERDESC* LPCDSBUFFERDESC;

struct DSBCAPS {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwUnlockTransferRate;
    DWORD dwPlayCpuOverhead;
};
typedef DSBCAPS* LPDSBCAPS;

// ---------------------------------------------------------------- interfaces
struct IDirectSoundBuffer : IUnknown {
    virtual HRESULT GetCaps(LPDSBCAPS caps) = 0;
    virtual HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) = 0;
    virtual HRESULT GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, DWORD* sizeWritten) = 0;
    virtual HRESULT GetVolume(LONG* volume) = 0;
    virtual HRESULT GetPan(LONG* pan) = 0;
    virtual HRESULT GetFrequency(DWORD* frequency) = 0;
    virtual HRESULT GetStatus(DWORD* status) = 0;
    virtual HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* audioPtr1, DWORD* audioBytes1,
                         LPVOID* audioPtr2, DWORD* audioBytes2, DWORD flags) = 0;
    virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
    virtual HRESULT SetCurrentPosition(DWORD newPosition) = 0;
    virtual HRESULT SetVolume(LONG volume) = 0;
    virtual HRESULT SetPan(LONG pan) = 0;
    virtual HRESULT SetFrequency(DWORD frequency) = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Unlock(LPVOID audioPtr1, DWORD audioBytes1, LPVOID audioPtr2,
                           DWORD audioBytes2) = 0;
    virtual HRESULT Restore() = 0;
};
typedef IDirectSoundBuffer* LPDIRECTSOUNDBUFFER;

struct IDirectSoundBuffer8 : IDirectSoundBuffer {};
typedef IDirectSoundBuffer8* LPDIRECTSOUNDBUFFER8;

struct IDirectSound : IUnknown {
    virtual HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer,
                                      IUnknown* outer) = 0;
    virtual HRESULT DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original,
                                         LPDIRECTSOUNDBUFFER* duplicate) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;
    virtual HRESULT Compact() = 0;
    virtual HRESULT Initialize(const GUID* device) = 0;
};
typedef IDirectSound* LPDIRECTSOUND;

struct IDirectSound8 : IDirectSound {};
typedef IDirectSound8* LPDIRECTSOUND8;

extern const IID IID_IDirectSound;
extern const IID IID_IDirectSound8;
extern const IID IID_IDirectSoundBuffer;
extern const IID IID_IDirectSoundBuffer8;

// Creates the sound device object on the default output (device must be
// NULL). Fails with DSERR_NODRIVER when no audio output can be opened.
HRESULT DirectSoundCreate(const GUID* device, LPDIRECTSOUND* directSound, IUnknown* outer);
HRESULT DirectSoundCreate8(const GUID* device, LPDIRECTSOUND8* directSound, IUnknown* outer);
