// The loader: reads standard MIDI files, by name relative to its search
// directory, into segments.
#include "dmusic_objects.h"

#include "file_paths.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace platform {

namespace {

constexpr std::uintmax_t kLargestMusicFile = 64u << 20;

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kLargestMusicFile) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

class MusicLoader final : public RefCounted<IDirectMusicLoader> {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDirectMusicLoader) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IDirectMusicLoader*>(this);
        return S_OK;
    }

    HRESULT GetObject(DMUS_OBJECTDESC* description, REFIID iid, LPVOID* object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!description) return E_POINTER;
        if (description->dwSize != sizeof(DMUS_OBJECTDESC)) return E_INVALIDARG;
        if (iid != IID_IDirectMusicSegment && iid != IID_IUnknown) return E_NOINTERFACE;
        const DWORD valid = description->dwValidData;
        // The loader makes an object only of a class it is told.
        if (!(valid & DMUS_OBJ_CLASS)) return DMUS_E_LOADER_NOCLASSID;
        if (description->guidClass != CLSID_DirectMusicSegment)
            return DMUS_E_TYPE_UNSUPPORTED;
        if (!(valid & DMUS_OBJ_FILENAME)) return DMUS_E_NOT_FOUND;  // only files are offered
        std::string name;
        if (!wideToUtf8(description->wszFileName, DMUS_MAX_FILENAME, name) || name.empty())
            return E_INVALIDARG;
        const std::string path = resolvePath(fullName(name, valid & DMUS_OBJ_FULLPATH).c_str());
        std::vector<uint8_t> bytes;
        if (!readWholeFile(path, bytes)) return DMUS_E_NOT_FOUND;
        MidiFileInfo info;
        std::string why;
        if (!parseMidiFile(bytes, info, why)) return DMUS_E_UNSUPPORTED_STREAM;
        auto* segment = new MusicSegment(std::move(bytes), info);
        *object = static_cast<IDirectMusicSegment*>(segment);
        return S_OK;
    }

    HRESULT SetSearchDirectory(REFGUID objectClass, const WCHAR* path, BOOL) override {
        if (!path) return E_POINTER;
        if (objectClass != GUID_DirectMusicAllTypes && objectClass != CLSID_DirectMusicSegment)
            return DMUS_E_TYPE_UNSUPPORTED;
        std::string folder;
        if (!wideToUtf8(path, MAX_PATH, folder)) return E_INVALIDARG;
        folder = resolvePath(folder.c_str());
        std::error_code error;
        if (folder.empty() || !std::filesystem::is_directory(folder, error))
            return DMUS_E_LOADER_BADPATH;
        if (folder == m_searchDirectory) return S_FALSE;
        m_searchDirectory = folder;
        return S_OK;
    }

private:
    std::string fullName(const std::string& name, bool fullPath) const {
        const std::string clean = normalisePath(name.c_str());
        if (fullPath || m_searchDirectory.empty() || (!clean.empty() && clean[0] == '/')) return clean;
        return m_searchDirectory + "/" + clean;
    }

    std::string m_searchDirectory;  // empty: names are relative to the current directory
    LiveMusicObject m_live;
};

}  // namespace

IUnknown* newMusicLoader() { return static_cast<IDirectMusicLoader*>(new MusicLoader()); }

}  // namespace platform
