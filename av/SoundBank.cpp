#include "SoundBank.h"

#include "GraphicsApp.h"
#include "mmio_api.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

SSoundSlot g_Sounds[MAX_SOUNDS];
IDirectSound* g_pDirectSound = NULL;
int g_bSoundFirstInit = 1;
WAVEFORMATEX g_WaveFormat;
DSBUFFERDESC g_BufferDesc;

// The slot behind a number, or NULL when the number is outside the table
// or the slot holds no buffer (the game keeps -1 for a sound that did not load).
static SSoundSlot* SlotWithBuffer(int nSound) {
    if (nSound < 0 || nSound >= MAX_SOUNDS) return NULL;
    if (!g_Sounds[nSound].m_pBuffer) return NULL;
    return &g_Sounds[nSound];
}

static int FindFreeSlot() {
    for (int i = 0; i < MAX_SOUNDS; i++) {
        if (!g_Sounds[i].m_bInUse) return i;
    }
    return -1;
}

// The game goes on without sound; this is the one line that says so.
static int PlaysSilent(const char* szWhy) {
    fprintf(stderr, "rockshooter: %s; the game plays silent\n", szWhy);
    return 0;
}

int InitSound() {
    if (g_bSoundFirstInit) {
        memset(g_Sounds, 0, sizeof(g_Sounds));
        g_bSoundFirstInit = 0;
        if (FAILED(DirectSoundCreate(NULL, &g_pDirectSound, NULL))) {
            g_pDirectSound = NULL;
            return PlaysSilent("no sound device");
        }
        if (FAILED(g_pDirectSound->SetCooperativeLevel(g_hWnd, DSSCL_NORMAL))) {
            // A device that was never set up cannot make buffers: drop it, so
            // that every later load fails at once.
            g_pDirectSound->Release();
            g_pDirectSound = NULL;
            return PlaysSilent("the sound device cannot be set up for the game's window");
        }
    }
    for (int i = 0; i < MAX_SOUNDS; i++) {
        if (g_Sounds[i].m_pBuffer) {
            g_Sounds[i].m_pBuffer->Stop();
            g_Sounds[i].m_pBuffer->Release();
        }
        memset(&g_Sounds[i], 0, sizeof(SSoundSlot));
        g_Sounds[i].m_nIndex = i;
    }
    // A first call that failed is not tried again; later calls say so too.
    return g_pDirectSound ? 1 : 0;
}

// Steps 3 to 8: into the "WAVE" form, its format (PCM only) and its data
// chunk. On success the file stands at the data and `data` describes it.
static int FindWaveData(HMMIO hFile, WAVEFORMATEX* pFormat, MMCKINFO* pData) {
    MMCKINFO riff;
    memset(&riff, 0, sizeof(riff));
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioDescend(hFile, &riff, NULL, MMIO_FINDRIFF) != MMSYSERR_NOERROR) return 0;

    MMCKINFO fmt;
    memset(&fmt, 0, sizeof(fmt));
    fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(hFile, &fmt, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return 0;
    // A 16-byte PCM format passes: its last two bytes come from what follows
    // the chunk and are not used.
    // Anything shorter than a PCM format is not a format: its fields would
    // come from the next chunk.
    if (fmt.cksize < 16) return 0;
    if (mmioRead(hFile, (HPSTR)pFormat, sizeof(WAVEFORMATEX)) < (LONG)sizeof(WAVEFORMATEX)) return 0;
    if (pFormat->wFormatTag != WAVE_FORMAT_PCM) return 0;
    if (mmioAscend(hFile, &fmt, 0) != MMSYSERR_NOERROR) return 0;

    memset(pData, 0, sizeof(MMCKINFO));
    pData->ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(hFile, pData, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return 0;
    return 1;
}

// The data chunk's size, cut to what the file holds: a damaged or
// hand-edited header must not make us allocate, or play, bytes that are not
// there.
static DWORD DataBytesPresent(HMMIO hFile, const MMCKINFO* pData) {
    const LONG end = mmioSeek(hFile, 0, SEEK_END);
    mmioSeek(hFile, (LONG)pData->dwDataOffset, SEEK_SET);
    if (end < 0 || (DWORD)end < pData->dwDataOffset) return 0;
    const DWORD present = (DWORD)end - pData->dwDataOffset;
    return pData->cksize < present ? pData->cksize : present;
}

// Steps 12 and 13: a buffer of the fixed format, filled from `pData`.
static int CreateFilledBuffer(SSoundSlot* pSlot, const BYTE* pData, DWORD dwSize) {
    if (FAILED(g_pDirectSound->CreateSoundBuffer(&g_BufferDesc, &pSlot->m_pBuffer, NULL))) return 0;
    LPVOID pRegion1 = NULL;
    LPVOID pRegion2 = NULL;
    DWORD dwLength1 = 0;
    DWORD dwLength2 = 0;
    if (FAILED(pSlot->m_pBuffer->Lock(0, dwSize, &pRegion1, &dwLength1, &pRegion2, &dwLength2,
                                      DSBLOCK_FROMWRITECURSOR))) {
        return 0;
    }
    if (dwLength1 > dwSize) dwLength1 = dwSize;
    if (dwLength2 > dwSize - dwLength1) dwLength2 = dwSize - dwLength1;
    memcpy(pRegion1, pData, dwLength1);
    if (pRegion2) memcpy(pRegion2, pData + dwLength1, dwLength2);
    if (FAILED(pSlot->m_pBuffer->Unlock(pRegion1, dwLength1, pRegion2, dwLength2))) return 0;
    return 1;
}

static void FillBufferDescription(DWORD dwFlags, DWORD dwBytes) {
    g_WaveFormat.wFormatTag = WAVE_FORMAT_PCM;
    g_WaveFormat.nChannels = 1;
    g_WaveFormat.nSamplesPerSec = 11025;
    g_WaveFormat.nBlockAlign = 1;
    g_WaveFormat.nAvgBytesPerSec = g_WaveFormat.nSamplesPerSec * g_WaveFormat.nBlockAlign;
    g_WaveFormat.wBitsPerSample = 8;
    g_WaveFormat.cbSize = 0;

    memset(&g_BufferDesc, 0, sizeof(g_BufferDesc));
    g_BufferDesc.dwSize = sizeof(DSBUFFERDESC);
    g_BufferDesc.dwFlags = dwFlags | DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE;
    g_BufferDesc.dwBufferBytes = dwBytes;
    g_BufferDesc.dwReserved = 0;
    g_BufferDesc.lpwfxFormat = &g_WaveFormat;
}

// A sound file the game asked for and could not have is named on stderr with
// the reason; the game runs on without it.
static int NotLoaded(const char* fileName, const char* szWhy) {
    fprintf(stderr, "rockshooter: sound not loaded: %s: %s\n", fileName ? fileName : "(none)", szWhy);
    return -1;
}

int LoadSound(const char* fileName, DWORD flags) {
    const int nSlot = FindFreeSlot();
    if (nSlot < 0) return NotLoaded(fileName, "every sound slot is taken");
    if (!g_pDirectSound) return -1;  // InitSound has said that the game plays silent

    HMMIO hFile = mmioOpen(fileName, NULL, MMIO_ALLOCBUF | MMIO_READ);
    if (!hFile) return NotLoaded(fileName, "cannot open the file");

    WAVEFORMATEX format;
    memset(&format, 0, sizeof(format));
    MMCKINFO data;
    if (!FindWaveData(hFile, &format, &data)) {
        mmioClose(hFile, 0);
        return NotLoaded(fileName, "not a RIFF WAVE file with a format and a data chunk");
    }
    const DWORD dwSize = DataBytesPresent(hFile, &data);
    BYTE* pCopy = new (std::nothrow) BYTE[dwSize ? dwSize : 1];
    if (!pCopy) {
        mmioClose(hFile, 0);
        return NotLoaded(fileName, "out of memory");
    }
    const LONG nRead = mmioRead(hFile, (HPSTR)pCopy, (LONG)dwSize);
    mmioClose(hFile, 0);
    if (nRead != (LONG)dwSize) {
        delete[] pCopy;
        return NotLoaded(fileName, "the sound data cannot be read");
    }

    SSoundSlot* pSlot = &g_Sounds[nSlot];
    pSlot->m_nSampleRate = (int)format.nSamplesPerSec;
    pSlot->m_nDataSize = (int)dwSize;
    pSlot->m_bInUse = 1;

    FillBufferDescription(flags, dwSize);
    const int bFilled = CreateFilledBuffer(pSlot, pCopy, dwSize);
    delete[] pCopy;
    if (!bFilled) {
        if (pSlot->m_pBuffer) pSlot->m_pBuffer->Release();
        pSlot->m_pBuffer = NULL;
        pSlot->m_bInUse = 0;
        return NotLoaded(fileName, "no sound buffer could be made for it");
    }
    return nSlot;
}

int DuplicateSound(int nSound) {
    if (nSound == -1) return -1;
    SSoundSlot* pSource = SlotWithBuffer(nSound);
    if (!pSource || !g_pDirectSound) return -1;
    const int nSlot = FindFreeSlot();
    if (nSlot < 0) return -1;
    SSoundSlot* pSlot = &g_Sounds[nSlot];
    *pSlot = *pSource;
    pSlot->m_pBuffer = NULL;
    if (FAILED(g_pDirectSound->DuplicateSoundBuffer(pSource->m_pBuffer, &pSlot->m_pBuffer))) {
        pSlot->m_pBuffer = NULL;
        pSlot->m_bInUse = 0;
        return -1;
    }
    pSlot->m_nIndex = nSlot;
    return nSlot;
}

int StartSound(int nSound, DWORD flags) {
    SSoundSlot* pSlot = SlotWithBuffer(nSound);
    if (!pSlot) return 1;
    if (FAILED(pSlot->m_pBuffer->SetCurrentPosition(0))) return 0;
    if (FAILED(pSlot->m_pBuffer->Play(0, 0, flags))) return 0;
    return 1;
}

int StopSound(int nSound) {
    SSoundSlot* pSlot = SlotWithBuffer(nSound);
    if (pSlot) {
        pSlot->m_pBuffer->Stop();
        pSlot->m_pBuffer->SetCurrentPosition(0);
    }
    return 1;
}

int StopAllSounds() {
    for (int i = 0; i < MAX_SOUNDS; i++) StopSound(i);
    return 1;
}

int SetSoundVolume(int nSound, int v) {
    SSoundSlot* pSlot = SlotWithBuffer(nSound);
    if (!pSlot) return 0;
    // Worked out wide: a wild v must be refused, not overflow.
    const int64_t volume = (int64_t)v * 30 - 3000;
    if (volume < INT32_MIN || volume > INT32_MAX) return 0;
    return pSlot->m_pBuffer->SetVolume((LONG)volume) == DS_OK ? 1 : 0;
}

int SetSoundFrequency(int nSound, DWORD dwFrequency) {
    SSoundSlot* pSlot = SlotWithBuffer(nSound);
    if (!pSlot) return 0;
    return pSlot->m_pBuffer->SetFrequency(dwFrequency) == DS_OK ? 1 : 0;
}

int SetSoundPan(int nSound, LONG lPan) {
    SSoundSlot* pSlot = SlotWithBuffer(nSound);
    if (!pSlot) return 0;
    return pSlot->m_pBuffer->SetPan(lPan) == DS_OK ? 1 : 0;
}

int GetSoundStatus(int nSound) {
    SSoundSlot* pSlot = SlotWithBuffer(nSound);
    if (!pSlot) return -1;
    DWORD dwStatus = 0;
    if (FAILED(pSlot->m_pBuffer->GetStatus(&dwStatus))) return -1;
    return (int)dwStatus;
}

int ReleaseSound(int nSound) {
    StopSound(nSound);
    SSoundSlot* pSlot = SlotWithBuffer(nSound);
    if (pSlot) {
        pSlot->m_pBuffer->Release();
        pSlot->m_pBuffer = NULL;
    }
    return 1;
}

int ReleaseAllSounds() {
    for (int i = 0; i < MAX_SOUNDS; i++) ReleaseSound(i);
    return 1;
}

int ShutdownSound() {
    StopAllSounds();
    for (int i = 0; i < MAX_SOUNDS; i++) {
        if (g_Sounds[i].m_pBuffer) {
            g_Sounds[i].m_pBuffer->Release();
            g_Sounds[i].m_pBuffer = NULL;
        }
    }
    if (g_pDirectSound) {
        g_pDirectSound->Release();
        g_pDirectSound = NULL;
    }
    return 1;
}
