// Pins: connection, the media type agreed on, and delivery downstream.
#include "dshow_base.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------- pins
CBasePin::CBasePin(LPCSTR, CBaseFilter* filter, CCritSec* lock, HRESULT*, LPCWSTR name,
                   PIN_DIRECTION direction)
    : m_pFilter(filter), m_pLock(lock), m_name(name), m_dir(direction) {}

CBasePin::~CBasePin() = default;

HRESULT CBasePin::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPin) return GetInterface(static_cast<IPin*>(this), object);
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT CBasePin::GetMediaType(int, CMediaType*) { return S_FALSE; }

HRESULT CBasePin::SetMediaType(const CMediaType* type) {
    m_mt = *type;
    return S_OK;
}

HRESULT CBasePin::TryConnection(IPin* receivePin, const CMediaType& type) {
    if (CheckMediaType(&type) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = receivePin->ReceiveConnection(this, &type);
    if (FAILED(hr)) return hr;
    m_Connected = receivePin;
    hr = SetMediaType(&type);
    if (SUCCEEDED(hr)) hr = CompleteConnect(receivePin);
    if (FAILED(hr)) {
        receivePin->Disconnect();
        Disconnect();
    }
    return hr;
}

HRESULT CBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) {
    if (!receivePin) return E_POINTER;
    CAutoLock lock(m_pLock);
    if (m_Connected) return VFW_E_ALREADY_CONNECTED;
    if (m_dir != PINDIR_OUTPUT) return E_INVALIDARG;
    if (mediaType) return TryConnection(receivePin, CMediaType(*mediaType));
    for (int position = 0;; ++position) {
        CMediaType offered;
        if (GetMediaType(position, &offered) != S_OK) break;
        if (SUCCEEDED(TryConnection(receivePin, offered))) return S_OK;
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) {
    if (!connector || !mediaType) return E_POINTER;
    CAutoLock lock(m_pLock);
    if (m_Connected) return VFW_E_ALREADY_CONNECTED;
    const CMediaType type(*mediaType);
    if (CheckMediaType(&type) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    m_Connected = connector;
    HRESULT hr = SetMediaType(&type);
    if (SUCCEEDED(hr)) hr = CompleteConnect(connector);
    if (FAILED(hr)) {
        m_Connected = nullptr;
        BreakConnect();
        return hr;
    }
    return S_OK;
}

HRESULT CBasePin::Disconnect() {
    CAutoLock lock(m_pLock);
    if (!m_Connected) return S_FALSE;
    BreakConnect();
    m_Connected = nullptr;
    return S_OK;
}

HRESULT CBasePin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    *pin = m_Connected;
    if (!m_Connected) return VFW_E_NOT_CONNECTED;
    m_Connected->AddRef();
    return S_OK;
}

HRESULT CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return E_POINTER;
    if (!m_Connected) {
        *mediaType = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    CopyMediaType(mediaType, &m_mt);
    return S_OK;
}

HRESULT CBasePin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    *info = PIN_INFO{};
    info->pFilter = m_pFilter;
    m_pFilter->AddRef();
    info->dir = m_dir;
    const size_t length = std::min(m_name.size(), size_t(MAX_PIN_NAME - 1));
    std::memcpy(info->achName, m_name.data(), length * sizeof(WCHAR));
    return S_OK;
}

HRESULT CBasePin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = m_dir;
    return S_OK;
}

HRESULT CBasePin::QueryId(LPWSTR* id) {
    if (!id) return E_POINTER;
    *id = static_cast<LPWSTR>(std::malloc((m_name.size() + 1) * sizeof(WCHAR)));
    if (!*id) return E_OUTOFMEMORY;
    std::memcpy(*id, m_name.c_str(), (m_name.size() + 1) * sizeof(WCHAR));
    return S_OK;
}

HRESULT CBasePin::QueryAccept(const AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return E_POINTER;
    const CMediaType type(*mediaType);
    return CheckMediaType(&type) == S_OK ? S_OK : S_FALSE;
}

HRESULT CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME, double) {
    m_tSegmentStart = start;
    return S_OK;
}

void CoTaskMemFree(void* block) { std::free(block); }

CBaseInputPin::CBaseInputPin(LPCSTR objectName, CBaseFilter* filter, CCritSec* lock,
                             HRESULT* result, LPCWSTR name)
    : CBasePin(objectName, filter, lock, result, name, PINDIR_INPUT) {}

HRESULT CBaseInputPin::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IMemInputPin) return GetInterface(static_cast<IMemInputPin*>(this), object);
    return CBasePin::QueryInterface(iid, object);
}

CBaseOutputPin::CBaseOutputPin(LPCSTR objectName, CBaseFilter* filter, CCritSec* lock,
                               HRESULT* result, LPCWSTR name)
    : CBasePin(objectName, filter, lock, result, name, PINDIR_OUTPUT) {}

HRESULT CBaseOutputPin::CompleteConnect(IPin* receivePin) {
    void* input = nullptr;
    if (FAILED(receivePin->QueryInterface(IID_IMemInputPin, &input))) return E_NOINTERFACE;
    // The peer lives in the same graph; no reference is kept across the link.
    m_pInputPin = static_cast<IMemInputPin*>(input);
    m_pInputPin->Release();
    return S_OK;
}

HRESULT CBaseOutputPin::BreakConnect() {
    m_pInputPin = nullptr;
    return S_OK;
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* sample) {
    return m_pInputPin ? m_pInputPin->Receive(sample) : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
    return m_Connected ? m_Connected->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    return m_Connected ? m_Connected->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}
