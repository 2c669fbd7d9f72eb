// The DirectShow names the program uses: the filter graph and its control,
// event and position interfaces, filters, pins, media types and samples.
#pragma once

#include "com_api.h"
#include "dsound_api.h"  // WAVEFORMATEX, the format block of sound pins
#include "gdi_api.h"     // BITMAPINFOHEADER

typedef int64_t REFERENCE_TIME;  // 100 ns units
typedef double REFTIME;          // seconds
typedef intptr_t LONG_PTR;
typedef LONG OAFilterState;
typedef const WCHAR* LPCWSTR;
typedef WCHAR* LPWSTR;

// ---------------------------------------------------------------- results
#define VFW_S_STATE_INTERMEDIATE ((HRESULT)0x00040237)
#define VFW_S_DUPLICATE_NAME ((HRESULT)0x0004022D)
#define VFW_E_INVALIDMEDIATYPE ((HRESULT)0x80040200)
#define VFW_E_NOT_CONNECTED ((HRESULT)0x80040209)
#define VFW_E_NO_ACCEPTABLE_TYPES ((HRESULT)0x80040207)
#define VFW_E_ALREADY_CONNECTED ((HRESULT)0x80040204)
#define VFW_E_NOT_FOUND ((HRESULT)0x80040216)
#define VFW_E_CANNOT_CONNECT ((HRESULT)0x80040217)
#define VFW_E_CANNOT_RENDER ((HRESULT)0x80040218)
#define VFW_E_TYPE_NOT_ACCEPTED ((HRESULT)0x8004022A)
#define VFW_E_WRONG_STATE ((HRESULT)0x80040227)
#define VFW_E_NOT_IN_GRAPH ((HRESULT)0x8004025F)
#define VFW_E_DUPLICATE_NAME ((HRESULT)0x8004028E)
#define VFW_E_SAMPLE_TIME_NOT_SET ((HRESULT)0x80040249)
#define VFW_E_UNSUPPORTED_STREAM ((HRESULT)0x80040265)

// ---------------------------------------------------------------- events
#define EC_COMPLETE 0x01
#define EC_USERABORT 0x02
#define EC_ERRORABORT 0x03


// ---------------------------------------------------------------- media types

struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    REFERENCE_TIME AvgTimePerFrame;
    BITMAPINFOHEADER bmiHeader;
};

struct AM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    IUnknown* pUnk;
    ULONG cbFormat;
    BYTE* pbFormat;
};

extern const GUID MEDIATYPE_Video;
extern const GUID MEDIATYPE_Audio;
extern const GUID MEDIATYPE_Stream;
extern const GUID MEDIASUBTYPE_RGB24;
extern const GUID MEDIASUBTYPE_RGB32;
extern const GUID MEDIASUBTYPE_PCM;
extern const GUID MEDIASUBTYPE_Avi;
extern const GUID FORMAT_VideoInfo;
extern const GUID FORMAT_WaveFormatEx;
extern const GUID FORMAT_None;
extern const GUID GUID_NULL;

// ---------------------------------------------------------------- interfaces
enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };
enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

#define MAX_PIN_NAME 128
#define MAX_FILTER_NAME 128

struct IBaseFilter;
struct IFilterGraph;
struct IPin;

struct PIN_INFO {
    IBaseFilter* pFilter;  // holds a reference
    PIN_DIRECTION dir;
    WCHAR achName[MAX_PIN_NAME];
};

struct FILTER_INFO {
    WCHAR achName[MAX_FILTER_NAME];
    IFilterGraph* pGraph;  // holds a reference when set
};

struct IMediaSample : IUnknown {
    virtual HRESULT GetPointer(BYTE** buffer) = 0;
    virtual LONG GetSize() = 0;
    virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
    virtual HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
    virtual HRESULT IsSyncPoint() = 0;
    virtual HRESULT SetSyncPoint(BOOL syncPoint) = 0;
    virtual LONG GetActualDataLength() = 0;
    virtual HRESULT SetActualDataLength(LONG length) = 0;
};

struct IPersist : IUnknown {
    virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

struct IReferenceClock : IUnknown {
    virtual HRESULT GetTime(REFERENCE_TIME* time) = 0;
};

struct IMediaFilter : IPersist {
    virtual HRESULT Stop() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Run(REFERENCE_TIME start) = 0;
    virtual HRESULT GetState(DWORD milliseconds, FILTER_STATE* state) = 0;
    virtual HRESULT SetSyncSource(IReferenceClock* clock) = 0;
    virtual HRESULT GetSyncSource(IReferenceClock** clock) = 0;
};

struct IBaseFilter : IMediaFilter {
    virtual HRESULT FindPin(LPCWSTR id, IPin** pin) = 0;
    virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
    virtual HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) = 0;
};

struct IPin : IUnknown {
    virtual HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT Disconnect() = 0;
    virtual HRESULT ConnectedTo(IPin** pin) = 0;
    virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
    virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
    virtual HRESULT QueryId(LPWSTR* id) = 0;  // free with CoTaskMemFree
    virtual HRESULT QueryAccept(const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT EndOfStream() = 0;
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
};

struct IMemInputPin : IUnknown {
    virtual HRESULT Receive(IMediaSample* sample) = 0;
};

struct IFilterGraph : IUnknown {
    virtual HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) = 0;
    virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
    virtual HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) = 0;
    virtual HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mediaType) = 0;
    virtual HRESULT Disconnect(IPin* pin) = 0;
};

struct IGraphBuilder : IFilterGraph {
    virtual HRESULT Connect(IPin* out, IPin* in) = 0;
    virtual HRESULT Render(IPin* out) = 0;
    virtual HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) = 0;
    virtual HRESULT AddSourceFilter(LPCWSTR fileName, LPCWSTR filterName,
                                    IBaseFilter** filter) = 0;
};

struct IMediaControl : IUnknown {
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT GetState(LONG timeoutMs, OAFilterState* state) = 0;
};

struct IMediaEvent : IUnknown {
    virtual HRESULT GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2,
                             LONG timeoutMs) = 0;
    virtual HRESULT WaitForCompletion(LONG timeoutMs, LONG* eventCode) = 0;
    virtual HRESULT FreeEventParams(LONG eventCode, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct IMediaEventEx : IMediaEvent {
    virtual HRESULT SetNotifyFlags(LONG noNotifyFlags) = 0;
    virtual HRESULT GetNotifyFlags(LONG* noNotifyFlags) = 0;
};

struct IMediaEventSink : IUnknown {
    virtual HRESULT Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct IMediaPosition : IUnknown {
    virtual HRESULT get_Duration(REFTIME* length) = 0;
    virtual HRESULT put_CurrentPosition(REFTIME time) = 0;
    virtual HRESULT get_CurrentPosition(REFTIME* time) = 0;
};

extern const IID IID_IMediaSample;
extern const IID IID_IPersist;
extern const IID IID_IMediaFilter;
extern const IID IID_IBaseFilter;
extern const IID IID_IPin;
extern const IID IID_IMemInputPin;
extern const IID IID_IFilterGraph;
extern const IID IID_IGraphBuilder;
extern const IID IID_IMediaControl;
extern const IID IID_IMediaEvent;
extern const IID IID_IMediaEventEx;
extern const IID IID_IMediaEventSink;
extern const IID IID_IMediaPosition;
extern const IID IID_IReferenceClock;
extern const IID IID_IQualProp;
extern const IID IID_IQualityControl;
extern const IID IID_IAMovieSetup;

extern const CLSID CLSID_FilterGraph;

void CoTaskMemFree(void* block);
