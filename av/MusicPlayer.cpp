#include "MusicPlayer.h"

#include <cstring>

SMusicSlot g_Music[MAX_MUSIC];
int g_nCurrentMusic = -1;
IDirectMusicPerformance* g_pMusicPerformance = NULL;
IDirectMusicLoader* g_pMusicLoader = NULL;

// The slot behind a number, or NULL when the number is outside the table or
// the slot holds no segment.
static SMusicSlot* SlotWithSegment(int nSlot) {
    if (nSlot < 0 || nSlot >= MAX_MUSIC) return NULL;
    if (!g_Music[nSlot].m_pSegment) return NULL;
    return &g_Music[nSlot];
}

// A slot that holds a segment and has not been emptied.
static SMusicSlot* LoadedSlot(int nSlot) {
    SMusicSlot* pSlot = SlotWithSegment(nSlot);
    if (!pSlot || pSlot->m_nStatus == MUSIC_EMPTY) return NULL;
    return pSlot;
}

static int FindFreeSlot() {
    for (int i = 0; i < MAX_MUSIC; i++) {
        if (g_Music[i].m_nStatus == MUSIC_EMPTY) return i;
    }
    return -1;
}

static void ReleaseSegmentState(SMusicSlot* pSlot) {
    if (pSlot->m_pSegmentState) {
        pSlot->m_pSegmentState->Release();
        pSlot->m_pSegmentState = NULL;
    }
}

template <class T>
static void ReleaseAndClear(T*& pObject) {
    if (pObject) {
        pObject->Release();
        pObject = NULL;
    }
}

int InitMusic(HWND hWnd) {
    if (g_pMusicLoader && g_pMusicPerformance) return 1;
    ReleaseAndClear(g_pMusicLoader);
    ReleaseAndClear(g_pMusicPerformance);
    if (FAILED(CoCreateInstance(CLSID_DirectMusicLoader, NULL, CLSCTX_INPROC_SERVER,
                                IID_IDirectMusicLoader, (void**)&g_pMusicLoader)) ||
        FAILED(CoCreateInstance(CLSID_DirectMusicPerformance, NULL, CLSCTX_INPROC_SERVER,
                                IID_IDirectMusicPerformance, (void**)&g_pMusicPerformance)) ||
        FAILED(g_pMusicPerformance->Init(NULL, NULL, hWnd))) {
        ReleaseAndClear(g_pMusicLoader);
        ReleaseAndClear(g_pMusicPerformance);
        return 0;
    }
    return 1;
}

void ShutdownMusic() {
    if (g_pMusicPerformance) g_pMusicPerformance->Stop(NULL, NULL, 0, 0);
    UnloadAllMusic();
    g_nCurrentMusic = -1;
    if (g_pMusicPerformance) g_pMusicPerformance->CloseDown();
    ReleaseAndClear(g_pMusicPerformance);
    ReleaseAndClear(g_pMusicLoader);
}

// Steps 2 and 3: the current directory becomes the loader's search directory.
static int SearchCurrentDirectory() {
    char szDirectory[MAX_PATH];
    WCHAR wszDirectory[MAX_PATH];
    DWORD dwLength = GetCurrentDirectoryA(MAX_PATH, szDirectory);
    // A directory too long for the buffer comes back as the size it needs,
    // with nothing written: the buffer must not be used then.
    if (dwLength == 0 || dwLength >= MAX_PATH) return 0;
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, szDirectory, -1, wszDirectory, MAX_PATH) == 0)
        return 0;
    return SUCCEEDED(g_pMusicLoader->SetSearchDirectory(GUID_DirectMusicAllTypes, wszDirectory, FALSE));
}

int LoadMusic(const char* szFileName) {
    if (!g_pMusicLoader || !g_pMusicPerformance || !szFileName) return -1;
    int nSlot = FindFreeSlot();
    if (nSlot == -1) return -1;
    if (!SearchCurrentDirectory()) return -1;

    DMUS_OBJECTDESC desc;
    memset(&desc, 0, sizeof(desc));
    // A name that does not fit the description (terminator included) is refused.
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, szFileName, -1, desc.wszFileName, MAX_PATH) == 0)
        return -1;
    desc.dwSize = sizeof(DMUS_OBJECTDESC);
    desc.guidClass = CLSID_DirectMusicSegment;
    desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_FILENAME;

    IDirectMusicSegment* pSegment = NULL;
    if (FAILED(g_pMusicLoader->GetObject(&desc, IID_IDirectMusicSegment, (void**)&pSegment)) || !pSegment)
        return -1;
    if (FAILED(pSegment->SetParam(GUID_StandardMIDIFile, 0xFFFFFFFF, 0, 0, g_pMusicPerformance)) ||
        FAILED(pSegment->SetParam(GUID_Download, 0xFFFFFFFF, 0, 0, g_pMusicPerformance))) {
        pSegment->Release();
        return -1;
    }
    SMusicSlot* pSlot = &g_Music[nSlot];
    pSlot->m_pSegment = pSegment;
    ReleaseSegmentState(pSlot);
    pSlot->m_nStatus = MUSIC_LOADED;
    return nSlot;
}

int PlayMusic(int nSlot) {
    SMusicSlot* pSlot = LoadedSlot(nSlot);
    if (!pSlot || !g_pMusicPerformance) return 0;
    if (g_nCurrentMusic != -1) StopMusic(g_nCurrentMusic);
    // The state of an earlier play is dropped before the new one arrives.
    ReleaseSegmentState(pSlot);
    g_pMusicPerformance->PlaySegment(pSlot->m_pSegment, 0, 0, &pSlot->m_pSegmentState);
    pSlot->m_nStatus = MUSIC_PLAYING;
    g_nCurrentMusic = nSlot;
    return 1;
}

int StopMusic(int nSlot) {
    SMusicSlot* pSlot = LoadedSlot(nSlot);
    if (!pSlot || !g_pMusicPerformance) return 0;
    g_pMusicPerformance->Stop(pSlot->m_pSegment, NULL, 0, 0);
    pSlot->m_nStatus = MUSIC_STOPPED;
    g_nCurrentMusic = -1;
    return 1;
}

int UnloadMusic(int nSlot) {
    SMusicSlot* pSlot = SlotWithSegment(nSlot);
    if (!pSlot) return 1;
    pSlot->m_pSegment->SetParam(GUID_Unload, 0xFFFFFFFF, 0, 0, g_pMusicPerformance);
    pSlot->m_pSegment->Release();
    pSlot->m_pSegment = NULL;
    ReleaseSegmentState(pSlot);
    pSlot->m_nStatus = MUSIC_EMPTY;
    return 1;
}

int UnloadAllMusic() {
    for (int i = 0; i < MAX_MUSIC; i++) UnloadMusic(i);
    return 1;
}

int IsMusicPlaying(int nSlot) {
    SMusicSlot* pSlot = LoadedSlot(nSlot);
    if (!pSlot || !g_pMusicPerformance) return 0;
    HRESULT hr = g_pMusicPerformance->IsPlaying(pSlot->m_pSegment, NULL);
    pSlot->m_nStatus = (hr == S_OK) ? MUSIC_PLAYING : MUSIC_STOPPED;
    return pSlot->m_nStatus;
}
