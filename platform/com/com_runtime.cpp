#include "com_runtime.h"

#include <cstring>
#include <vector>

namespace platform {

namespace {
struct Registration {
    CLSID clsid;
    ClassFactory factory;
};
std::vector<Registration>& registry() {
    static std::vector<Registration> table;
    return table;
}
}  // namespace

void registerComClass(const CLSID& clsid, ClassFactory factory) {
    registry().push_back(Registration{clsid, std::move(factory)});
}

}  // namespace platform

bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

HRESULT CoInitialize(LPVOID) { return S_OK; }
void CoUninitialize() {}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return E_NOINTERFACE;  // aggregation is not offered
    for (const auto& entry : platform::registry()) {
        if (entry.clsid != clsid) continue;
        IUnknown* created = entry.factory();
        if (!created) return E_OUTOFMEMORY;
        const HRESULT result = created->QueryInterface(iid, object);
        created->Release();
        return result;
    }
    return REGDB_E_CLASSNOTREG;
}
