// RIFF file reading over stdio files and memory blocks.
#include "file_paths.h"
#include "mmio_api.h"
#include "mmio_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <new>

struct HMMIO__ {
    std::FILE* file = nullptr;
    const uint8_t* memory = nullptr;
    uint64_t size = 0;
    uint64_t position = 0;

    // Copies up to `count` bytes at `offset`; returns how many it copied.
    size_t readAt(uint64_t offset, void* out, size_t count) {
        if (offset >= size || count == 0) return 0;
        count = static_cast<size_t>(std::min<uint64_t>(count, size - offset));
        if (memory) {
            std::memcpy(out, memory + offset, count);
            return count;
        }
        if (fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) return 0;
        return std::fread(out, 1, count, file);
    }

    bool readExactly(uint64_t offset, void* out, size_t count) { return readAt(offset, out, count) == count; }

    bool readFourcc(uint64_t offset, FOURCC& value) {
        uint8_t bytes[4];
        if (!readExactly(offset, bytes, 4)) return false;
        value = mmioFOURCC(bytes[0], bytes[1], bytes[2], bytes[3]);
        return true;
    }
};

namespace {

std::atomic<uint64_t> g_openCount{0};

// Offsets travel in 32-bit fields (MMCKINFO) and seeks return a LONG, so
// only the part of a file those can address is visible.
constexpr uint64_t kLargestFile = INT32_MAX;

HMMIO failOpen(LPMMIOINFO info, UINT error) {
    if (info) info->wErrorRet = error;
    return nullptr;
}

HMMIO openMemory(LPMMIOINFO info) {
    if (info->cchBuffer < 0 || (info->cchBuffer > 0 && !info->pchBuffer)) {
        return failOpen(info, MMIOERR_CANNOTOPEN);
    }
    auto* handle = new (std::nothrow) HMMIO__;
    if (!handle) return failOpen(info, MMIOERR_OUTOFMEMORY);
    handle->memory = reinterpret_cast<const uint8_t*>(info->pchBuffer);
    handle->size = static_cast<uint64_t>(info->cchBuffer);
    return handle;
}

HMMIO openFile(const char* fileName, LPMMIOINFO info) {
    if (!fileName) return failOpen(info, MMIOERR_FILENOTFOUND);
    const std::string path = platform::resolvePath(fileName);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return failOpen(info, MMIOERR_FILENOTFOUND);
    struct stat status {};
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) {
        std::fclose(file);
        return failOpen(info, MMIOERR_CANNOTOPEN);
    }
    auto* handle = new (std::nothrow) HMMIO__;
    if (!handle) {
        std::fclose(file);
        return failOpen(info, MMIOERR_OUTOFMEMORY);
    }
    handle->file = file;
    handle->size = std::min<uint64_t>(static_cast<uint64_t>(status.st_size), kLargestFile);
    return handle;
}

bool isListType(FOURCC id) { return id == FOURCC_RIFF || id == FOURCC_LIST; }

bool matches(const MMCKINFO& wanted, UINT flags, FOURCC id, FOURCC type) {
    if (flags & MMIO_FINDRIFF) return id == FOURCC_RIFF && type == wanted.fccType;
    if (flags & MMIO_FINDLIST) return id == FOURCC_LIST && type == wanted.fccType;
    if (flags & MMIO_FINDCHUNK) return id == wanted.ckid;
    return true;
}

}  // namespace

namespace platform {
uint64_t mmioOpenCount() { return g_openCount.load(); }
}  // namespace platform

HMMIO mmioOpen(const char* fileName, LPMMIOINFO info, DWORD flags) {
    ++g_openCount;
    if (info) info->wErrorRet = MMSYSERR_NOERROR;
    if (flags & (MMIO_WRITE | MMIO_READWRITE | MMIO_CREATE)) return failOpen(info, MMIOERR_CANNOTOPEN);
    if (info && info->fccIOProc == FOURCC_MEM && !fileName) return openMemory(info);
    return openFile(fileName, info);
}

MMRESULT mmioClose(HMMIO file, UINT) {
    if (!file) return MMIOERR_INVALIDFILE;
    if (file->file) std::fclose(file->file);
    delete file;
    return MMSYSERR_NOERROR;
}

LONG mmioRead(HMMIO file, HPSTR buffer, LONG count) {
    if (!file || count < 0 || (count > 0 && !buffer)) return -1;
    const size_t read = file->readAt(file->position, buffer, static_cast<size_t>(count));
    file->position += read;
    return static_cast<LONG>(read);
}

LONG mmioSeek(HMMIO file, LONG offset, int origin) {
    if (!file) return -1;
    int64_t base = 0;
    if (origin == SEEK_CUR) base = static_cast<int64_t>(file->position);
    else if (origin == SEEK_END) base = static_cast<int64_t>(file->size);
    else if (origin != SEEK_SET) return -1;
    const int64_t target = base + offset;
    if (target < 0 || target > static_cast<int64_t>(file->size)) return -1;
    file->position = static_cast<uint64_t>(target);
    return static_cast<LONG>(target);
}

MMRESULT mmioDescend(HMMIO file, LPMMCKINFO chunk, const MMCKINFO* parent, UINT flags) {
    if (!file || !chunk) return MMIOERR_INVALIDFILE;
    uint64_t end = file->size;
    uint64_t position = file->position;
    if (parent) {
        end = std::min<uint64_t>(end, uint64_t(parent->dwDataOffset) + parent->cksize);
        if (position < parent->dwDataOffset) return MMIOERR_CHUNKNOTFOUND;
    }
    // 64-bit arithmetic: a declared size near 4 GiB cannot wrap the search round.
    while (position + 8 <= end) {
        FOURCC id = 0;
        DWORD size = 0;
        if (!file->readFourcc(position, id) || !file->readExactly(position + 4, &size, 4)) break;
        const uint64_t data = position + 8;
        FOURCC type = 0;
        const bool typed = isListType(id) && size >= 4 && data + 4 <= end && file->readFourcc(data, type);
        if ((typed || !isListType(id)) && matches(*chunk, flags, id, type)) {
            chunk->ckid = id;
            chunk->cksize = size;
            chunk->fccType = type;
            chunk->dwDataOffset = static_cast<DWORD>(data);
            chunk->dwFlags = 0;
            file->position = data + (typed ? 4 : 0);
            return MMSYSERR_NOERROR;
        }
        position = data + size + (size & 1);  // chunks are padded to even sizes
    }
    return MMIOERR_CHUNKNOTFOUND;
}

MMRESULT mmioAscend(HMMIO file, LPMMCKINFO chunk, UINT) {
    if (!file || !chunk) return MMIOERR_INVALIDFILE;
    const uint64_t end = uint64_t(chunk->dwDataOffset) + chunk->cksize;
    if (end > file->size) return MMIOERR_CANNOTSEEK;
    // A pad byte missing at the very end of the file is a common slip, not a fault.
    file->position = std::min<uint64_t>(end + (chunk->cksize & 1), file->size);
    return MMSYSERR_NOERROR;
}
