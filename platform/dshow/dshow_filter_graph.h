// The filter graph manager's object: the graph builder, its control, event
// and position interfaces, and the event sink its filters report to.
// Internal to the layer; the game creates it through CoCreateInstance.
#pragma once

#include "dshow_base.h"
#include "dshow_filters.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

// Every filter in our graphs is one of ours; a foreign one shows as null.
inline CBaseFilter* baseOf(IBaseFilter* filter) { return dynamic_cast<CBaseFilter*>(filter); }
inline CBasePin* basePinOf(IPin* pin) { return dynamic_cast<CBasePin*>(pin); }

struct GraphEvent {
    LONG code;
    LONG_PTR param1;
    LONG_PTR param2;
};

class FilterGraph final : public IGraphBuilder,
                          public IMediaControl,
                          public IMediaEventEx,
                          public IMediaPosition,
                          public IMediaEventSink {
public:
    // IUnknown
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        const ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }

    // IFilterGraph
    HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
    HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* type) override;
    HRESULT Disconnect(IPin* pin) override;
    // IGraphBuilder
    HRESULT Connect(IPin* out, IPin* in) override;
    HRESULT Render(IPin* out) override;
    HRESULT RenderFile(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT AddSourceFilter(LPCWSTR fileName, LPCWSTR filterName, IBaseFilter** filter) override;
    // IMediaControl
    HRESULT Run() override;
    HRESULT Pause() override { return E_NOTIMPL; }
    HRESULT Stop() override;
    HRESULT GetState(LONG timeoutMs, OAFilterState* state) override;
    // IMediaEvent(Ex)
    HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG timeoutMs) override;
    HRESULT WaitForCompletion(LONG timeoutMs, LONG* code) override;
    HRESULT FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) override;
    HRESULT SetNotifyFlags(LONG flags) override;
    HRESULT GetNotifyFlags(LONG* flags) override;
    // IMediaPosition
    HRESULT get_Duration(REFTIME* length) override;
    HRESULT put_CurrentPosition(REFTIME time) override;
    HRESULT get_CurrentPosition(REFTIME* time) override;
    // IMediaEventSink: filters report here, from any thread.
    HRESULT Notify(LONG code, LONG_PTR param1, LONG_PTR param2) override;

    LONG unfreed() {
        std::lock_guard<std::mutex> lock(m_eventMutex);
        return m_unfreed;
    }

private:
    struct Entry {
        IBaseFilter* filter;
        std::u16string name;
    };
    ~FilterGraph() override;

    HRESULT connectThrough(IPin* out, IPin* in, int depth);
    // `onward` null: the filter ends the chain (a renderer).
    HRESULT tryInserted(CBaseFilter* filter, LPCWSTR name, IPin* out,
                        const std::function<HRESULT(CBasePin*)>& onward);
    std::u16string uniqueName(const std::u16string& base) const;
    void disconnectBoth(IPin* pin);
    std::vector<IBaseFilter*> downstreamFirst() const;
    int upstreamDepth(IBaseFilter* filter, int guard) const;
    void stopFilters();
    void runFilters();
    int renderersInGraph() const;
    SeekableSource* seekableSource() const;
    REFERENCE_TIME currentPosition() const;
    void postEvent(LONG code, LONG_PTR param1, LONG_PTR param2);

    std::atomic<ULONG> m_refs{1};
    std::vector<Entry> m_filters;
    FILTER_STATE m_state = State_Stopped;
    REFERENCE_TIME m_runStart = 0;
    REFERENCE_TIME m_position = 0;  // where the current or next run starts

    std::mutex m_eventMutex;  // guards the event queue and the counts below
    std::condition_variable m_eventWake;
    std::deque<GraphEvent> m_events;
    int m_completesSeen = 0;
    int m_renderersExpected = 0;
    bool m_completeSent = false;
    LONG m_unfreed = 0;
    LONG m_notifyFlags = 0;
};

}  // namespace platform
