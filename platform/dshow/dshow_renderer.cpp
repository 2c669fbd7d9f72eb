// The renderer base classes: the receive path that presents samples on
// time, and the end-of-stream timer.
#include "dshow_base.h"
#include "dshow_graph.h"

#include <chrono>

namespace {

std::chrono::steady_clock::time_point toSteady(REFERENCE_TIME time) {
    using namespace std::chrono;
    return steady_clock::time_point(duration_cast<steady_clock::duration>(nanoseconds(time * 100)));
}

}  // namespace

// ---------------------------------------------------------------- input pin
CRendererInputPin::CRendererInputPin(CBaseRenderer* renderer, HRESULT* result, LPCWSTR name)
    : CBaseInputPin("Renderer input pin", renderer, nullptr, result, name), m_pRenderer(renderer) {
    m_pLock = &m_lockForPin;
}

HRESULT CRendererInputPin::CheckMediaType(const CMediaType* type) {
    return m_pRenderer->CheckMediaType(type);
}

HRESULT CRendererInputPin::SetMediaType(const CMediaType* type) {
    const HRESULT hr = m_pRenderer->SetMediaType(type);
    if (FAILED(hr)) return hr;
    return CBasePin::SetMediaType(type);
}

HRESULT CRendererInputPin::BreakConnect() { return m_pRenderer->BreakConnect(); }

HRESULT CRendererInputPin::Receive(IMediaSample* sample) { return m_pRenderer->Receive(sample); }

HRESULT CRendererInputPin::EndOfStream() { return m_pRenderer->EndOfStream(); }

HRESULT CRendererInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    CBasePin::NewSegment(start, stop, rate);
    return m_pRenderer->NewSegment(start, stop, rate);
}

// ---------------------------------------------------------------- renderer
CBaseRenderer::CBaseRenderer(REFCLSID clsid, LPCSTR name, IUnknown* outer, HRESULT* result)
    : CBaseFilter(name, outer, &m_InterfaceLock, clsid) {
    m_pInputPin = new CRendererInputPin(this, result, u"In");
}

CBaseRenderer::~CBaseRenderer() {
    CancelEndOfStream();
    delete m_pInputPin;
}

CBasePin* CBaseRenderer::GetPin(int index) { return index == 0 ? m_pInputPin : nullptr; }

HRESULT CBaseRenderer::Run(REFERENCE_TIME start) {
    CAutoLock lock(&m_InterfaceLock);
    if (m_State == State_Running) return S_OK;
    CAutoLock rendering(&m_RendererLock);
    m_tStart = start;
    m_State = State_Running;
    m_lastStop = 0;
    std::lock_guard<std::mutex> schedule(m_scheduleMutex);
    m_streaming = true;
    m_endSent = false;
    m_runStart = start;
    return S_OK;
}

HRESULT CBaseRenderer::Pause() {
    // Pausing holds samples back like stopping does; we never cue a paused graph.
    return Stop();
}

HRESULT CBaseRenderer::Stop() {
    // First wake a streaming thread that waits for a sample's time (it holds
    // no lock while waiting), then wait for one inside DoRenderSample.
    CancelEndOfStream();
    CAutoLock lock(&m_InterfaceLock);
    CAutoLock rendering(&m_RendererLock);
    m_State = State_Stopped;
    return S_OK;
}

void CBaseRenderer::CancelEndOfStream() {
    std::thread timer;
    {
        std::lock_guard<std::mutex> schedule(m_scheduleMutex);
        m_streaming = false;
        timer = std::move(m_endTimer);
    }
    m_scheduleWake.notify_all();
    if (timer.joinable()) timer.join();
}

bool CBaseRenderer::IsStreaming() {
    std::lock_guard<std::mutex> schedule(m_scheduleMutex);
    return m_streaming;
}

REFERENCE_TIME CBaseRenderer::RunStart() {
    std::lock_guard<std::mutex> schedule(m_scheduleMutex);
    return m_runStart;
}

bool CBaseRenderer::WaitUntil(REFERENCE_TIME due) {
    std::unique_lock<std::mutex> schedule(m_scheduleMutex);
    m_scheduleWake.wait_until(schedule, toSteady(due), [this] { return !m_streaming; });
    return m_streaming;
}

HRESULT CBaseRenderer::Receive(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    if (!IsStreaming()) return VFW_E_WRONG_STATE;
    REFERENCE_TIME start = 0, stop = 0;
    const bool timed = sample->GetTime(&start, &stop) == S_OK;
    if (timed && !WaitUntil(RunStart() + start)) return S_FALSE;
    CAutoLock lock(&m_InterfaceLock);
    CAutoLock rendering(&m_RendererLock);
    if (m_State != State_Running) return VFW_E_WRONG_STATE;
    if (timed && stop > m_lastStop) m_lastStop = stop;
    // A frame that fails to render is simply not shown; the stream goes on.
    DoRenderSample(sample);
    ++m_framesRendered;
    return S_OK;
}

HRESULT CBaseRenderer::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }

HRESULT CBaseRenderer::EndOfStream() {
    REFERENCE_TIME lastStop;
    {
        CAutoLock rendering(&m_RendererLock);
        lastStop = m_lastStop;
    }
    ScheduleEndOfStream(RunStart() + lastStop);
    return S_OK;
}

void CBaseRenderer::ScheduleEndOfStream(REFERENCE_TIME end) {
    std::lock_guard<std::mutex> schedule(m_scheduleMutex);
    // Notifying under the schedule lock orders every notice before the next
    // Stop, so a notice never outlives the run it belongs to.
    if (!m_streaming || m_endSent || m_endTimer.joinable()) return;
    if (CurrentReferenceTime() >= end) {
        m_endSent = true;
        NotifyEvent(EC_COMPLETE, S_OK, 0);
        return;
    }
    m_endTimer = std::thread([this, end] {
        platform::DshowThreadMark running;
        std::unique_lock<std::mutex> lock(m_scheduleMutex);
        m_scheduleWake.wait_until(lock, toSteady(end), [this] { return !m_streaming; });
        if (!m_streaming || m_endSent) return;
        m_endSent = true;
        NotifyEvent(EC_COMPLETE, S_OK, 0);
    });
}

// ---------------------------------------------------------------- video renderer
CBaseVideoRenderer::CBaseVideoRenderer(REFCLSID clsid, LPCSTR name, IUnknown* outer,
                                       HRESULT* result)
    : CBaseRenderer(clsid, name, outer, result) {}

HRESULT CBaseVideoRenderer::QueryInterface(REFIID iid, void** object) {
    return NonDelegatingQueryInterface(iid, object);
}

HRESULT CBaseVideoRenderer::NonDelegatingQueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IQualProp) return GetInterface(static_cast<IQualProp*>(this), object);
    if (iid == IID_IQualityControl)
        return GetInterface(static_cast<IQualityControl*>(this), object);
    if (iid == IID_IAMovieSetup) return GetInterface(static_cast<IAMovieSetup*>(this), object);
    return CBaseRenderer::NonDelegatingQueryInterface(iid, object);
}

HRESULT CBaseVideoRenderer::get_FramesDroppedInRenderer(int* frames) {
    if (!frames) return E_POINTER;
    *frames = 0;  // every sample is drawn, late or not
    return S_OK;
}

HRESULT CBaseVideoRenderer::get_FramesDrawn(int* frames) {
    if (!frames) return E_POINTER;
    *frames = int(FramesRendered());
    return S_OK;
}
