// The file source: it only names the file and says whether it is an AVI;
// the splitter downstream reads the file itself.
#include "diagnostics.h"
#include "dshow_filters.h"

#include <cstdio>
#include <cstring>

namespace platform {

namespace {

const CLSID CLSID_FileSource = {0x6d3a0200, 0x41b2, 0x4c07, {0x8e, 0x5a, 0x2f, 0x91, 0x0c, 0x7d, 0x02, 0x00}};

class SourceOutputPin final : public CBaseOutputPin {
public:
    SourceOutputPin(FileSource* source, CCritSec* lock, bool isAvi)
        : CBaseOutputPin("File source output", source, lock, nullptr, u"Output"), m_isAvi(isAvi) {}

    HRESULT CheckMediaType(const CMediaType* type) override {
        return *type->Type() == MEDIATYPE_Stream ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position != 0) return S_FALSE;
        type->SetType(&MEDIATYPE_Stream);
        type->SetSubtype(m_isAvi ? &MEDIASUBTYPE_Avi : &GUID_NULL);
        type->SetFormatType(&FORMAT_None);
        type->SetSampleSize(1);
        return S_OK;
    }
    // The reader pulls from the file; nothing is pushed through this pin.
    HRESULT CompleteConnect(IPin*) override { return S_OK; }

private:
    bool m_isAvi;
};

}  // namespace

HRESULT FileSource::Create(const std::string& path, FileSource** source) {
    if (!source) return E_POINTER;
    *source = nullptr;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        reportUnusableFile("video", path, "cannot open the file");
        return VFW_E_NOT_FOUND;
    }
    char header[12] = {};
    const size_t got = std::fread(header, 1, sizeof header, file);
    std::fclose(file);
    const bool isAvi = got == sizeof header && std::memcmp(header, "RIFF", 4) == 0 &&
                       std::memcmp(header + 8, "AVI ", 4) == 0;
    *source = new FileSource(path, isAvi);
    (*source)->AddRef();
    return S_OK;
}

FileSource::FileSource(const std::string& path, bool isAvi)
    : CBaseFilter("File source", nullptr, &m_lock, CLSID_FileSource), m_path(path), m_isAvi(isAvi) {
    m_pOutput = new SourceOutputPin(this, &m_lock, isAvi);
}

FileSource::~FileSource() { delete m_pOutput; }

CBasePin* FileSource::GetPin(int index) { return index == 0 ? m_pOutput : nullptr; }

const PacketStreamFormat* packetStreamFormat(const CMediaType& type) {
    if (*type.Subtype() != MEDIASUBTYPE_PacketStream || *type.FormatType() != FORMAT_PacketStream ||
        !type.Format() || type.FormatLength() < sizeof(PacketStreamFormat))
        return nullptr;
    auto* format = reinterpret_cast<const PacketStreamFormat*>(type.Format());
    return format->codec ? format : nullptr;
}

}  // namespace platform
