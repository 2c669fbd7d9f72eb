// Base classes for filters: reference counting, media types, samples, pins,
// and the renderer that presents each sample at its time on the graph's
// clock from the upstream filter's streaming thread.
#pragma once

#include "dshow_api.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// ---------------------------------------------------------------- locks
class CCritSec {
public:
    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

class CAutoLock {
public:
    explicit CAutoLock(CCritSec* lock) : m_lock(lock) { m_lock->Lock(); }
    ~CAutoLock() { m_lock->Unlock(); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    CCritSec* m_lock;
};

// ---------------------------------------------------------------- media types
// Frees what a media type owns (its format block and pUnk) and clears it.
void FreeMediaType(AM_MEDIA_TYPE& type);
// Deep copy: the format block is duplicated.
void CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);

class CMediaType : public AM_MEDIA_TYPE {
public:
    CMediaType();
    CMediaType(const AM_MEDIA_TYPE& type);
    CMediaType(const CMediaType& type);
    CMediaType& operator=(const AM_MEDIA_TYPE& type);
    CMediaType& operator=(const CMediaType& type);
    ~CMediaType();

    const GUID* Type() const { return &majortype; }
    const GUID* Subtype() const { return &subtype; }
    const GUID* FormatType() const { return &formattype; }
    BYTE* Format() const { return pbFormat; }
    ULONG FormatLength() const { return cbFormat; }

    void SetType(const GUID* type) { majortype = *type; }
    void SetSubtype(const GUID* type) { subtype = *type; }
    void SetFormatType(const GUID* type) { formattype = *type; }
    void SetSampleSize(ULONG size);
    // A zeroed format block of `length` bytes, replacing any earlier one.
    BYTE* AllocFormatBuffer(ULONG length);
    BOOL SetFormat(const BYTE* format, ULONG length);
};

// ---------------------------------------------------------------- samples
// A sample with its own buffer; created with one reference.
class CMediaSample final : public IMediaSample {
public:
    static CMediaSample* Create(LONG size);

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override;

    HRESULT GetPointer(BYTE** buffer) override;
    LONG GetSize() override { return LONG(m_buffer.size()); }
    HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    HRESULT IsSyncPoint() override { return m_syncPoint ? S_OK : S_FALSE; }
    HRESULT SetSyncPoint(BOOL syncPoint) override;
    LONG GetActualDataLength() override { return m_actualLength; }
    HRESULT SetActualDataLength(LONG length) override;

private:
    explicit CMediaSample(LONG size);
    ~CMediaSample() override = default;

    std::atomic<ULONG> m_refs{1};
    std::vector<BYTE> m_buffer;
    LONG m_actualLength;
    bool m_timeValid = false;
    bool m_stopValid = false;
    bool m_syncPoint = true;
    REFERENCE_TIME m_start = 0;
    REFERENCE_TIME m_stop = 0;
};

// ---------------------------------------------------------------- objects
class CUnknown {
public:
    CUnknown(LPCSTR name, IUnknown* outer);
    virtual ~CUnknown() = default;
    CUnknown(const CUnknown&) = delete;
    CUnknown& operator=(const CUnknown&) = delete;

    virtual HRESULT NonDelegatingQueryInterface(REFIID iid, void** object);
    virtual ULONG NonDelegatingAddRef();
    virtual ULONG NonDelegatingRelease();  // deletes the object at 0

    LPCSTR Name() const { return m_name; }
    LONG RefCount() const { return m_cRef; }

protected:
    std::atomic<LONG> m_cRef{0};

private:
    LPCSTR m_name;
};

// Hands out `object` with a reference, as QueryInterface does.
HRESULT GetInterface(IUnknown* object, void** out);

// The graph's reference clock, in 100 ns units from an arbitrary origin.
REFERENCE_TIME CurrentReferenceTime();

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter {
public:
    CBaseFilter(LPCSTR name, IUnknown* outer, CCritSec* lock, REFCLSID clsid);
    ~CBaseFilter() override = default;

    // IUnknown, for every interface the filter exposes.
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return NonDelegatingAddRef(); }
    ULONG Release() override { return NonDelegatingRelease(); }
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

    // IPersist
    HRESULT GetClassID(CLSID* clsid) override;
    // IMediaFilter
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(DWORD milliseconds, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    HRESULT FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;

    virtual int GetPinCount() = 0;
    virtual CBasePin* GetPin(int index) = 0;

    // Passes an event to the graph's event sink (from any thread).
    HRESULT NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2);
    IFilterGraph* Graph() const { return m_pGraph; }
    FILTER_STATE State();

protected:
    CCritSec* m_pLock;  // the filter's interface lock
    FILTER_STATE m_State = State_Stopped;
    REFERENCE_TIME m_tStart = 0;
    CLSID m_clsid;
    // Not reference counted: the graph holds the filter, not the other way.
    IFilterGraph* m_pGraph = nullptr;
    IMediaEventSink* m_pSink = nullptr;
    std::u16string m_pName;
};

// ---------------------------------------------------------------- pins
// A pin lives inside its filter and shares the filter's reference count.
class CBasePin : public IPin {
public:
    CBasePin(LPCSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* result,
             LPCWSTR name, PIN_DIRECTION direction);
    virtual ~CBasePin();

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return m_pFilter->AddRef(); }
    ULONG Release() override { return m_pFilter->Release(); }

    HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(IPin** pin) override;
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mediaType) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT QueryId(LPWSTR* id) override;
    HRESULT QueryAccept(const AM_MEDIA_TYPE* mediaType) override;
    HRESULT EndOfStream() override { return S_OK; }
    HRESULT BeginFlush() override { return S_OK; }
    HRESULT EndFlush() override { return S_OK; }
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // What the pin accepts, what it offers (position 0, 1, ...; S_FALSE past
    // the last), and the connection's two halves.
    virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
    virtual HRESULT GetMediaType(int position, CMediaType* type);
    virtual HRESULT SetMediaType(const CMediaType* type);
    virtual HRESULT CompleteConnect(IPin* receivePin) { return S_OK; }
    virtual HRESULT BreakConnect() { return S_OK; }

    bool IsConnected() const { return m_Connected != nullptr; }
    IPin* GetConnected() const { return m_Connected; }
    const CMediaType& CurrentMediaType() const { return m_mt; }
    const std::u16string& Name() const { return m_name; }
    PIN_DIRECTION Direction() const { return m_dir; }
    CBaseFilter* Filter() const { return m_pFilter; }

protected:
    HRESULT TryConnection(IPin* receivePin, const CMediaType& type);

    CBaseFilter* m_pFilter;
    CCritSec* m_pLock;
    std::u16string m_name;
    PIN_DIRECTION m_dir;
    IPin* m_Connected = nullptr;  // the peer; both pins live as long as the graph
    CMediaType m_mt;
    REFERENCE_TIME m_tSegmentStart = 0;
};

class CBaseInputPin : public CBasePin, public IMemInputPin {
public:
    CBaseInputPin(LPCSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* result,
                  LPCWSTR name);

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return CBasePin::AddRef(); }
    ULONG Release() override { return CBasePin::Release(); }
    HRESULT Receive(IMediaSample* sample) override { return S_OK; }
};

class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(LPCSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* result,
                   LPCWSTR name);

    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT BreakConnect() override;

    // On the streaming thread: hand a sample, the end or a new segment on.
    HRESULT Deliver(IMediaSample* sample);
    HRESULT DeliverEndOfStream();
    HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

protected:
    IMemInputPin* m_pInputPin = nullptr;
};

// ---------------------------------------------------------------- renderers
class CBaseRenderer;

class CRendererInputPin : public CBaseInputPin {
public:
    CRendererInputPin(CBaseRenderer* renderer, HRESULT* result, LPCWSTR name);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT BreakConnect() override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    CBaseRenderer* m_pRenderer;
    CCritSec m_lockForPin;  // connection changes
};

// Presents each sample at its start time (relative to the run's start) on
// the graph's clock, and reports the end of the stream once the last
// sample's stop time has passed. Waits happen without any lock held; Stop
// wakes them and joins the end-of-stream timer.
class CBaseRenderer : public CBaseFilter {
public:
    CBaseRenderer(REFCLSID clsid, LPCSTR name, IUnknown* outer, HRESULT* result);
    ~CBaseRenderer() override;

    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override;

    virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
    virtual HRESULT SetMediaType(const CMediaType* type) { return S_OK; }
    virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;
    virtual HRESULT BreakConnect() { return S_OK; }

    // The receive path, on the upstream filter's streaming thread.
    virtual HRESULT Receive(IMediaSample* sample);
    virtual HRESULT EndOfStream();
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    // Samples that reached DoRenderSample since the filter was made.
    LONG FramesRendered() const { return m_framesRendered; }

protected:
    // Sends EC_COMPLETE once `end` (reference time) has passed: at once, or
    // from a timer thread that Stop cancels. Once per run.
    void ScheduleEndOfStream(REFERENCE_TIME end);
    // Waits until `due` (reference time) or until the filter stops. False
    // when it stopped.
    bool WaitUntil(REFERENCE_TIME due);
    bool IsStreaming();
    REFERENCE_TIME RunStart();

    CCritSec m_InterfaceLock;
    CCritSec m_RendererLock;
    CRendererInputPin* m_pInputPin = nullptr;
    std::atomic<LONG> m_framesRendered{0};
    REFERENCE_TIME m_lastStop = 0;  // streaming thread only

private:
    void CancelEndOfStream();

    std::mutex m_scheduleMutex;  // guards the fields below
    std::condition_variable m_scheduleWake;
    bool m_streaming = false;  // running, not stopped
    bool m_endSent = false;
    REFERENCE_TIME m_runStart = 0;
    std::thread m_endTimer;
};

// The video renderer adds playback statistics and quality interfaces.
struct IQualProp : IUnknown {
    virtual HRESULT get_FramesDroppedInRenderer(int* frames) = 0;
    virtual HRESULT get_FramesDrawn(int* frames) = 0;
};

struct IQualityControl : IUnknown {
    virtual HRESULT SetSink(IQualityControl* sink) = 0;
};

struct IAMovieSetup : IUnknown {
    virtual HRESULT Register() = 0;
    virtual HRESULT Unregister() = 0;
};

class CBaseVideoRenderer : public CBaseRenderer,
                           public IQualProp,
                           public IQualityControl,
                           public IAMovieSetup {
public:
    CBaseVideoRenderer(REFCLSID clsid, LPCSTR name, IUnknown* outer, HRESULT* result);

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return NonDelegatingAddRef(); }
    ULONG Release() override { return NonDelegatingRelease(); }
    HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

    HRESULT get_FramesDroppedInRenderer(int* frames) override;
    HRESULT get_FramesDrawn(int* frames) override;
    HRESULT SetSink(IQualityControl* sink) override { return S_OK; }
    HRESULT Register() override { return E_NOTIMPL; }
    HRESULT Unregister() override { return E_NOTIMPL; }
};

// ---------------------------------------------------------------- smart references
// Holds one reference on a COM object and gives it back when reset or
// destroyed.
template <class T>
class CComPtr {
public:
    CComPtr() = default;
    CComPtr(T* object) : p(object) {
        if (p) p->AddRef();
    }
    CComPtr(const CComPtr& other) : CComPtr(other.p) {}
    ~CComPtr() { Release(); }
    CComPtr& operator=(T* object) {
        if (object) object->AddRef();
        Release();
        p = object;
        return *this;
    }
    CComPtr& operator=(const CComPtr& other) { return *this = other.p; }

    void Release() {
        T* held = p;
        p = nullptr;
        if (held) held->Release();
    }
    // For out parameters; whatever was held is given back first.
    T** operator&() {
        Release();
        return &p;
    }
    operator T*() const { return p; }
    T* operator->() const { return p; }
    bool operator!() const { return p == nullptr; }

    T* p = nullptr;
};
