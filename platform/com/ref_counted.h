// Reference counting shared by every interface object of the layer.
#pragma once

#include "com_api.h"

#include <atomic>

namespace platform {

template <class Interface>
class RefCounted : public Interface {
public:
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        const ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }
    ULONG refCount() const { return m_refs; }

protected:
    RefCounted() = default;
    ~RefCounted() override = default;

private:
    std::atomic<ULONG> m_refs{1};
};

}  // namespace platform
