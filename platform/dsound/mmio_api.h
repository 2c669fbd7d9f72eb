// The multimedia file names the program uses to read RIFF files (WAV): open,
// descend into and ascend out of chunks, read, seek, close. Reading only.
//
// Chunk sizes are never trusted: a search never leaves its parent chunk or
// the file, a chunk header cut off by the end is not a chunk, and ascending
// out of a chunk that claims to run past the end of the file fails. A found
// chunk's cksize is reported as the file declares it; a caller that reads
// its data gets no more bytes than the file holds.
#pragma once

#include "win32_api.h"

#include <cstdio>  // SEEK_SET, SEEK_CUR, SEEK_END for mmioSeek

typedef DWORD FOURCC;
typedef UINT MMRESULT;
typedef char* HPSTR;

struct HMMIO__;
typedef HMMIO__* HMMIO;

#define mmioFOURCC(c0, c1, c2, c3)                                                        \
    ((FOURCC)(BYTE)(c0) | ((FOURCC)(BYTE)(c1) << 8) | ((FOURCC)(BYTE)(c2) << 16) | \
     ((FOURCC)(BYTE)(c3) << 24))

#define FOURCC_RIFF mmioFOURCC('R', 'I', 'F', 'F')
#define FOURCC_LIST mmioFOURCC('L', 'I', 'S', 'T')
// A memory file: MMIOINFO.pchBuffer holds cchBuffer bytes, which must stay
// valid until mmioClose.
#define FOURCC_MEM mmioFOURCC('M', 'E', 'M', ' ')

struct MMCKINFO {
    FOURCC ckid;
    DWORD cksize;
    FOURCC fccType;
    DWORD dwDataOffset;
    DWORD dwFlags;
};
typedef MMCKINFO* LPMMCKINFO;

// The parts of the open-information structure this layer reads.
struct MMIOINFO {
    DWORD dwFlags;
    FOURCC fccIOProc;
    UINT wErrorRet;
    LONG cchBuffer;
    HPSTR pchBuffer;
};
typedef MMIOINFO* LPMMIOINFO;

// Results.
#define MMSYSERR_NOERROR 0
#define MMIOERR_BASE 256
#define MMIOERR_FILENOTFOUND (MMIOERR_BASE + 1)
#define MMIOERR_OUTOFMEMORY (MMIOERR_BASE + 2)
#define MMIOERR_CANNOTOPEN (MMIOERR_BASE + 3)
#define MMIOERR_CANNOTREAD (MMIOERR_BASE + 5)
#define MMIOERR_CANNOTSEEK (MMIOERR_BASE + 7)
#define MMIOERR_CHUNKNOTFOUND (MMIOERR_BASE + 9)
#define MMIOERR_INVALIDFILE (MMIOERR_BASE + 16)

// Open flags: only reading is offered.
#define MMIO_READ 0x00000000
#define MMIO_WRITE 0x00000001
#define MMIO_READWRITE 0x00000002
#define MMIO_CREATE 0x00001000
#define MMIO_ALLOCBUF 0x00010000

// Descend flags.
#define MMIO_FINDCHUNK 0x0010
#define MMIO_FINDRIFF 0x0020
#define MMIO_FINDLIST 0x0040

// Opens a file (its name mapped as every file name of the program is) or,
// with info->fccIOProc == FOURCC_MEM and a NULL name, a memory file. NULL on
// failure, with the reason in info->wErrorRet when info is given.
HMMIO mmioOpen(const char* fileName, LPMMIOINFO info, DWORD flags);
MMRESULT mmioClose(HMMIO file, UINT flags);

// Reads up to `count` bytes from the current position, whatever chunk it is
// in: the number read (0 at the end of the file), or -1 on an error.
LONG mmioRead(HMMIO file, HPSTR buffer, LONG count);
// The new position, or -1 when it would fall outside the file.
LONG mmioSeek(HMMIO file, LONG offset, int origin);

// Searches forward from the current position, inside `parent` when given,
// for the chunk MMIO_FINDCHUNK (by ckid), MMIO_FINDRIFF or MMIO_FINDLIST (by
// fccType) asks for, or takes the next chunk when no flag is given. Found:
// fills `chunk` and leaves the position at its data (after the form type for
// RIFF and LIST). Not found: MMIOERR_CHUNKNOTFOUND, the position unchanged.
MMRESULT mmioDescend(HMMIO file, LPMMCKINFO chunk, const MMCKINFO* parent, UINT flags);
// Moves to the end of the chunk, past its pad byte.
MMRESULT mmioAscend(HMMIO file, LPMMCKINFO chunk, UINT flags);

#define mmioOpenA mmioOpen
