// The DirectMusic names the program uses: a loader that reads music files
// from a search directory, segments made from standard MIDI files, and a
// performance that plays one primary segment at a time. Our own
// declarations over FluidSynth; values not fixed by the program's needs are
// our own choice.
//
// Objects are created through CoCreateInstance with CLSID_DirectMusicLoader
// and CLSID_DirectMusicPerformance. The performance must be initialised
// before it plays or takes a download; it then sounds through the process's
// one audio mixer.
#pragma once

#include "com_api.h"

typedef int32_t MUSIC_TIME;
typedef int64_t REFERENCE_TIME;

#ifndef MAX_PATH
#define MAX_PATH 260
#endif
#define DMUS_MAX_NAME 64
#define DMUS_MAX_CATEGORY 64
#define DMUS_MAX_FILENAME MAX_PATH

// ---------------------------------------------------------------- results
#define DMUS_S_FALSE S_FALSE
#define DMUS_E_NOT_INIT ((HRESULT)0x88781201)
#define DMUS_E_NOT_FOUND ((HRESULT)0x88781202)
#define DMUS_E_INVALIDFILE ((HRESULT)0x88781203)
#define DMUS_E_UNSUPPORTED_STREAM ((HRESULT)0x88781204)
#define DMUS_E_LOADER_BADPATH ((HRESULT)0x88781205)
#define DMUS_E_SET_UNSUPPORTED ((HRESULT)0x88781206)
#define DMUS_E_TYPE_UNSUPPORTED ((HRESULT)0x88781207)
#define DMUS_E_ALREADY_INITED ((HRESULT)0x88781208)
#define DMUS_E_NO_AUDIO ((HRESULT)0x88781209)
#define DMUS_E_LOADER_NOCLASSID ((HRESULT)0x8878120A)

// ---------------------------------------------------------------- object descriptions
#define DMUS_OBJ_OBJECT 0x00000001
#define DMUS_OBJ_CLASS 0x00000002
#define DMUS_OBJ_NAME 0x00000004
#define DMUS_OBJ_CATEGORY 0x00000008
#define DMUS_OBJ_FILENAME 0x00000010
#define DMUS_OBJ_FULLPATH 0x00000020

struct DMUS_VERSION {
    DWORD dwVersionMS;
    DWORD dwVersionLS;
};

struct DMUS_FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct IStream;

struct DMUS_OBJECTDESC {
    DWORD dwSize;  // sizeof(DMUS_OBJECTDESC)
    DWORD dwValidData;  // DMUS_OBJ_* flags naming the fields below that are set
    GUID guidObject;
    GUID guidClass;
    DMUS_FILETIME ftDate;
    DMUS_VERSION vVersion;
    WCHAR wszName[DMUS_MAX_NAME];
    WCHAR wszCategory[DMUS_MAX_CATEGORY];
    WCHAR wszFileName[DMUS_MAX_FILENAME];  // relative to the search directory unless DMUS_OBJ_FULLPATH
    int64_t llMemLength;
    BYTE* pbMemData;
    IStream* pStream;
};

// ---------------------------------------------------------------- interfaces
struct IDirectMusic;  // never handed out: Init accepts only null for it

struct IDirectMusicSegmentState : IUnknown {};

struct IDirectMusicSegment : IUnknown {
    // GUID_StandardMIDIFile, GUID_Download and GUID_Unload; the parameter of
    // the last two is the performance.
    virtual HRESULT SetParam(REFGUID type, DWORD groupBits, DWORD index, MUSIC_TIME time,
                             void* param) = 0;
    // Length in ticks of 768 per quarter note.
    virtual HRESULT GetLength(MUSIC_TIME* length) = 0;
};

struct IDirectMusicPerformance : IUnknown {
    virtual HRESULT Init(IDirectMusic** music, LPVOID directSound, HWND window) = 0;
    // flags 0: play as the primary segment, replacing the one playing. The
    // state comes back with one reference, for the caller to release.
    virtual HRESULT PlaySegment(IDirectMusicSegment* segment, DWORD flags, REFERENCE_TIME startTime,
                                IDirectMusicSegmentState** state) = 0;
    // A null segment and state stop everything.
    virtual HRESULT Stop(IDirectMusicSegment* segment, IDirectMusicSegmentState* state,
                         MUSIC_TIME time, DWORD flags) = 0;
    // S_OK while the segment sounds, S_FALSE otherwise.
    virtual HRESULT IsPlaying(IDirectMusicSegment* segment, IDirectMusicSegmentState* state) = 0;
    virtual HRESULT CloseDown() = 0;
};

struct IDirectMusicLoader : IUnknown {
    virtual HRESULT GetObject(DMUS_OBJECTDESC* description, REFIID iid, LPVOID* object) = 0;
    // S_OK, or S_FALSE when the directory was already the search directory.
    virtual HRESULT SetSearchDirectory(REFGUID objectClass, const WCHAR* path, BOOL clearCache) = 0;
};

typedef IDirectMusicLoader IDirectMusicLoader8;
typedef IDirectMusicPerformance IDirectMusicPerformance8;
typedef IDirectMusicSegment IDirectMusicSegment8;

extern const CLSID CLSID_DirectMusicLoader;
extern const CLSID CLSID_DirectMusicPerformance;
extern const CLSID CLSID_DirectMusicSegment;
extern const IID IID_IDirectMusicLoader;
extern const IID IID_IDirectMusicPerformance;
extern const IID IID_IDirectMusicSegment;
extern const IID IID_IDirectMusicSegmentState;
extern const GUID GUID_DirectMusicAllTypes;
extern const GUID GUID_StandardMIDIFile;
extern const GUID GUID_Download;
extern const GUID GUID_Unload;

