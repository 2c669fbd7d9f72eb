// The filter graph manager: its filters, the chain it builds from a file to
// a renderer, and its registration as a creatable class.
#include "dshow_graph.h"

#include "com_runtime.h"
#include "dshow_filter_graph.h"
#include "file_paths.h"

#include <algorithm>

const CLSID CLSID_FilterGraph = {0x6d3a0100, 0x41b2, 0x4c07, {0x8e, 0x5a, 0x2f, 0x91, 0x0c, 0x7d, 0x01, 0x00}};

namespace platform {

namespace {

std::atomic<int> g_threadsAlive{0};

constexpr int kMaxInsertedDepth = 3;

std::string toUtf8(LPCWSTR text) {
    std::string out;
    if (!text) return out;
    for (const WCHAR* p = text; *p; ++p) {
        uint32_t c = *p;
        if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(p[1]) - 0xDC00);
            ++p;
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace


FilterGraph::~FilterGraph() {
    Stop();
    for (const Entry& entry : m_filters) {
        if (CBaseFilter* base = baseOf(entry.filter))
            for (int i = 0; i < base->GetPinCount(); ++i)
                if (CBasePin* pin = base->GetPin(i)) pin->Disconnect();
    }
    for (const Entry& entry : m_filters) {
        entry.filter->JoinFilterGraph(nullptr, nullptr);
        entry.filter->Release();
    }
}

HRESULT FilterGraph::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IFilterGraph || iid == IID_IGraphBuilder)
        *object = static_cast<IGraphBuilder*>(this);
    else if (iid == IID_IMediaControl)
        *object = static_cast<IMediaControl*>(this);
    else if (iid == IID_IMediaEvent || iid == IID_IMediaEventEx)
        *object = static_cast<IMediaEventEx*>(this);
    else if (iid == IID_IMediaPosition)
        *object = static_cast<IMediaPosition*>(this);
    else if (iid == IID_IMediaEventSink)
        *object = static_cast<IMediaEventSink*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

// ---------------------------------------------------------------- filters
std::u16string FilterGraph::uniqueName(const std::u16string& base) const {
    auto taken = [this](const std::u16string& name) {
        return std::any_of(m_filters.begin(), m_filters.end(),
                           [&](const Entry& e) { return e.name == name; });
    };
    if (!taken(base)) return base;
    for (int n = 1;; ++n) {
        std::string suffix = " " + std::to_string(n);
        std::u16string name = base + std::u16string(suffix.begin(), suffix.end());
        if (!taken(name)) return name;
    }
}

HRESULT FilterGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
    if (!filter) return E_POINTER;
    if (m_state != State_Stopped) return VFW_E_WRONG_STATE;
    for (const Entry& entry : m_filters)
        if (entry.filter == filter) return E_INVALIDARG;
    const std::u16string wanted = name ? std::u16string(name) : std::u16string(u"Filter");
    const std::u16string unique = uniqueName(wanted);
    filter->AddRef();
    m_filters.push_back(Entry{filter, unique});
    filter->JoinFilterGraph(this, unique.c_str());
    return unique == wanted ? S_OK : VFW_S_DUPLICATE_NAME;
}

HRESULT FilterGraph::RemoveFilter(IBaseFilter* filter) {
    auto it = std::find_if(m_filters.begin(), m_filters.end(),
                           [filter](const Entry& e) { return e.filter == filter; });
    if (it == m_filters.end()) return VFW_E_NOT_FOUND;
    if (m_state != State_Stopped) return VFW_E_WRONG_STATE;
    if (CBaseFilter* base = baseOf(filter))
        for (int i = 0; i < base->GetPinCount(); ++i)
            if (CBasePin* pin = base->GetPin(i)) disconnectBoth(pin);
    m_filters.erase(it);
    filter->JoinFilterGraph(nullptr, nullptr);
    filter->Release();
    return S_OK;
}

HRESULT FilterGraph::FindFilterByName(LPCWSTR name, IBaseFilter** filter) {
    if (!filter) return E_POINTER;
    *filter = nullptr;
    if (!name) return E_POINTER;
    for (const Entry& entry : m_filters) {
        if (entry.name == name) {
            *filter = entry.filter;
            entry.filter->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT FilterGraph::AddSourceFilter(LPCWSTR fileName, LPCWSTR filterName, IBaseFilter** filter) {
    if (!filter) return E_POINTER;
    *filter = nullptr;
    if (!fileName) return E_POINTER;
    const std::string utf8 = toUtf8(fileName);
    FileSource* source = nullptr;
    const HRESULT hr = FileSource::Create(resolvePath(utf8.c_str()), &source);
    if (FAILED(hr)) return hr;
    const HRESULT added = AddFilter(source, filterName ? filterName : fileName);
    if (FAILED(added)) {
        source->Release();
        return added;
    }
    *filter = source;  // the reference Create gave
    return S_OK;
}

// ---------------------------------------------------------------- connections
void FilterGraph::disconnectBoth(IPin* pin) {
    IPin* peer = nullptr;
    if (SUCCEEDED(pin->ConnectedTo(&peer))) {
        peer->Disconnect();
        peer->Release();
    }
    pin->Disconnect();
}

HRESULT FilterGraph::ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* type) {
    if (!out || !in) return E_POINTER;
    if (m_state != State_Stopped) return VFW_E_WRONG_STATE;
    return out->Connect(in, type);
}

HRESULT FilterGraph::Disconnect(IPin* pin) {
    if (!pin) return E_POINTER;
    if (m_state != State_Stopped) return VFW_E_WRONG_STATE;
    return pin->Disconnect();
}

HRESULT FilterGraph::Connect(IPin* out, IPin* in) {
    if (!out || !in) return E_POINTER;
    if (m_state != State_Stopped) return VFW_E_WRONG_STATE;
    PIN_DIRECTION outDir, inDir;
    if (FAILED(out->QueryDirection(&outDir)) || FAILED(in->QueryDirection(&inDir)) ||
        outDir != PINDIR_OUTPUT || inDir != PINDIR_INPUT)
        return E_INVALIDARG;
    return connectThrough(out, in, 0);
}

// Adds `filter` under `name`, connects `out` to its input, then lets
// `onward` carry on from its output pins. Undone when anything fails.
HRESULT FilterGraph::tryInserted(CBaseFilter* filter, LPCWSTR name, IPin* out,
                                 const std::function<HRESULT(CBasePin*)>& onward) {
    filter->AddRef();  // ours while we try
    HRESULT hr = AddFilter(filter, name);
    CBasePin* input = nullptr;
    for (int i = 0; SUCCEEDED(hr) && i < filter->GetPinCount(); ++i)
        if (filter->GetPin(i)->Direction() == PINDIR_INPUT) input = filter->GetPin(i);
    if (SUCCEEDED(hr)) hr = input ? out->Connect(input, nullptr) : E_FAIL;
    if (SUCCEEDED(hr) && onward) {
        hr = VFW_E_CANNOT_CONNECT;
        for (int i = 0; FAILED(hr) && i < filter->GetPinCount(); ++i) {
            CBasePin* pin = filter->GetPin(i);
            if (pin->Direction() == PINDIR_OUTPUT && !pin->IsConnected()) hr = onward(pin);
        }
    }
    if (FAILED(hr)) RemoveFilter(filter);
    filter->Release();
    return hr;
}

HRESULT FilterGraph::connectThrough(IPin* out, IPin* in, int depth) {
    if (SUCCEEDED(out->Connect(in, nullptr))) return S_OK;
    if (depth >= kMaxInsertedDepth) return VFW_E_CANNOT_CONNECT;
    auto onward = [this, in, depth](CBasePin* pin) { return connectThrough(pin, in, depth + 1); };
    struct Candidate {
        const char16_t* name;
        CBaseFilter* (*create)();
    };
    const Candidate candidates[] = {{u"AVI Splitter", &CreateAviSplitter},
                                    {u"Video Decoder", &CreateVideoDecoder}};
    for (const Candidate& candidate : candidates) {
        if (SUCCEEDED(tryInserted(candidate.create(), candidate.name, out, onward))) return S_OK;
    }
    return VFW_E_CANNOT_CONNECT;
}

HRESULT FilterGraph::Render(IPin* out) {
    if (!out) return E_POINTER;
    if (m_state != State_Stopped) return VFW_E_WRONG_STATE;
    IPin* peer = nullptr;
    if (SUCCEEDED(out->ConnectedTo(&peer))) {
        peer->Release();
        return VFW_E_ALREADY_CONNECTED;
    }
    // Sound goes to the sound renderer; we open no video windows.
    if (SUCCEEDED(tryInserted(CreateAudioRenderer(), u"Audio Renderer", out, nullptr)))
        return S_OK;
    return VFW_E_CANNOT_RENDER;
}

namespace {

struct Registrar {
    Registrar() {
        registerComClass(CLSID_FilterGraph, [] { return static_cast<IGraphBuilder*>(new FilterGraph); });
    }
};
const Registrar g_registrar;

}  // namespace

int dshowThreadsAlive() { return g_threadsAlive; }
DshowThreadMark::DshowThreadMark() { ++g_threadsAlive; }
DshowThreadMark::~DshowThreadMark() { --g_threadsAlive; }

LONG unfreedEventParams(IMediaEvent* events) {
    auto* graph = dynamic_cast<FilterGraph*>(events);
    return graph ? graph->unfreed() : -1;
}

}  // namespace platform
