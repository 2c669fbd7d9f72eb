// Reference counting, the graph's clock and the filter base class.
#include "dshow_base.h"

#include <algorithm>
#include <chrono>
#include <cstring>

// ---------------------------------------------------------------- objects
CUnknown::CUnknown(LPCSTR name, IUnknown*) : m_name(name) {}

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID, void** object) {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CUnknown::NonDelegatingAddRef() { return ULONG(++m_cRef); }

ULONG CUnknown::NonDelegatingRelease() {
    const LONG left = --m_cRef;
    if (left == 0) delete this;
    return ULONG(left < 0 ? 0 : left);
}

HRESULT GetInterface(IUnknown* object, void** out) {
    if (!out) return E_POINTER;
    *out = object;
    object->AddRef();
    return S_OK;
}

REFERENCE_TIME CurrentReferenceTime() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count() / 100;
}

// ---------------------------------------------------------------- filters
CBaseFilter::CBaseFilter(LPCSTR name, IUnknown* outer, CCritSec* lock, REFCLSID clsid)
    : CUnknown(name, outer), m_pLock(lock), m_clsid(clsid) {}

HRESULT CBaseFilter::QueryInterface(REFIID iid, void** object) {
    return NonDelegatingQueryInterface(iid, object);
}

HRESULT CBaseFilter::NonDelegatingQueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IPersist || iid == IID_IMediaFilter ||
        iid == IID_IBaseFilter)
        return GetInterface(static_cast<IBaseFilter*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CBaseFilter::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = m_clsid;
    return S_OK;
}

HRESULT CBaseFilter::Stop() {
    CAutoLock lock(m_pLock);
    m_State = State_Stopped;
    return S_OK;
}

HRESULT CBaseFilter::Pause() {
    CAutoLock lock(m_pLock);
    m_State = State_Paused;
    return S_OK;
}

HRESULT CBaseFilter::Run(REFERENCE_TIME start) {
    CAutoLock lock(m_pLock);
    m_tStart = start;
    m_State = State_Running;
    return S_OK;
}

HRESULT CBaseFilter::GetState(DWORD, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    *state = State();
    return S_OK;
}

FILTER_STATE CBaseFilter::State() {
    CAutoLock lock(m_pLock);
    return m_State;
}

HRESULT CBaseFilter::SetSyncSource(IReferenceClock*) { return S_OK; }

HRESULT CBaseFilter::GetSyncSource(IReferenceClock** clock) {
    if (!clock) return E_POINTER;
    *clock = nullptr;
    return S_OK;
}

HRESULT CBaseFilter::FindPin(LPCWSTR id, IPin** pin) {
    if (!pin) return E_POINTER;
    *pin = nullptr;
    if (!id) return E_POINTER;
    for (int i = 0; i < GetPinCount(); ++i) {
        CBasePin* candidate = GetPin(i);
        if (candidate && candidate->Name() == id) {
            *pin = candidate;
            candidate->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT CBaseFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    *info = FILTER_INFO{};
    const size_t length = std::min(m_pName.size(), size_t(MAX_FILTER_NAME - 1));
    std::memcpy(info->achName, m_pName.data(), length * sizeof(WCHAR));
    info->pGraph = m_pGraph;
    if (m_pGraph) m_pGraph->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    CAutoLock lock(m_pLock);
    m_pGraph = graph;
    m_pSink = nullptr;
    m_pName = name ? std::u16string(name) : std::u16string();
    if (graph) {
        // Kept without a reference, like the graph pointer itself.
        void* sink = nullptr;
        if (SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, &sink))) {
            m_pSink = static_cast<IMediaEventSink*>(sink);
            m_pSink->Release();
        }
    }
    return S_OK;
}

HRESULT CBaseFilter::NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
    IMediaEventSink* sink = m_pSink;
    return sink ? sink->Notify(code, param1, param2) : E_NOTIMPL;
}
