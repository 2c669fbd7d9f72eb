// Media types with their own copy of the format block, and samples with
// their own buffer.
#include "dshow_base.h"

#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------- media types
void FreeMediaType(AM_MEDIA_TYPE& type) {
    std::free(type.pbFormat);
    type.pbFormat = nullptr;
    type.cbFormat = 0;
    if (type.pUnk) type.pUnk->Release();
    type.pUnk = nullptr;
}

void CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
    *target = *source;
    target->pbFormat = nullptr;
    target->cbFormat = 0;
    if (source->cbFormat && source->pbFormat) {
        target->pbFormat = static_cast<BYTE*>(std::malloc(source->cbFormat));
        if (target->pbFormat) {
            std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
            target->cbFormat = source->cbFormat;
        }
    }
    if (target->pUnk) target->pUnk->AddRef();
}

CMediaType::CMediaType() : AM_MEDIA_TYPE{} {
    bFixedSizeSamples = TRUE;
    lSampleSize = 1;
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& type) : AM_MEDIA_TYPE{} { CopyMediaType(this, &type); }
CMediaType::CMediaType(const CMediaType& type) : AM_MEDIA_TYPE{} { CopyMediaType(this, &type); }

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& type) {
    if (&type == this) return *this;
    FreeMediaType(*this);
    CopyMediaType(this, &type);
    return *this;
}

CMediaType& CMediaType::operator=(const CMediaType& type) {
    return *this = static_cast<const AM_MEDIA_TYPE&>(type);
}

CMediaType::~CMediaType() { FreeMediaType(*this); }

void CMediaType::SetSampleSize(ULONG size) {
    lSampleSize = size;
    bFixedSizeSamples = size != 0;
}

BYTE* CMediaType::AllocFormatBuffer(ULONG length) {
    std::free(pbFormat);
    pbFormat = static_cast<BYTE*>(std::calloc(1, length ? length : 1));
    cbFormat = pbFormat ? length : 0;
    return pbFormat;
}

BOOL CMediaType::SetFormat(const BYTE* format, ULONG length) {
    if (!AllocFormatBuffer(length)) return FALSE;
    if (length) std::memcpy(pbFormat, format, length);
    return TRUE;
}

// ---------------------------------------------------------------- samples
CMediaSample::CMediaSample(LONG size) : m_buffer(size_t(size > 0 ? size : 0)), m_actualLength(size) {}

CMediaSample* CMediaSample::Create(LONG size) { return new CMediaSample(size); }

HRESULT CMediaSample::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IMediaSample) return GetInterface(this, object);
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CMediaSample::Release() {
    const ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
}

HRESULT CMediaSample::GetPointer(BYTE** buffer) {
    if (!buffer) return E_POINTER;
    *buffer = m_buffer.data();
    return S_OK;
}

HRESULT CMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    if (!start || !stop) return E_POINTER;
    if (!m_timeValid) return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = m_start;
    *stop = m_stopValid ? m_stop : m_start + 1;
    return S_OK;
}

HRESULT CMediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    m_timeValid = start != nullptr;
    m_stopValid = start && stop;
    if (start) m_start = *start;
    if (stop) m_stop = *stop;
    return S_OK;
}

HRESULT CMediaSample::SetSyncPoint(BOOL syncPoint) {
    m_syncPoint = syncPoint != FALSE;
    return S_OK;
}

HRESULT CMediaSample::SetActualDataLength(LONG length) {
    if (length < 0 || size_t(length) > m_buffer.size()) return E_INVALIDARG;
    m_actualLength = length;
    return S_OK;
}
