#include "device_resource.h"

#include "d3d_device.h"

namespace platform {

DeviceResource::DeviceResource(D3DDevice& device, D3DPOOL pool)
    : m_device(&device), m_gl(device.glShared()), m_pool(pool) {
    if (m_pool == D3DPOOL_DEFAULT) m_device->defaultPoolResourceCreated();
}

DeviceResource::~DeviceResource() {
    if (m_pool == D3DPOOL_DEFAULT && !m_gl.expired()) m_device->defaultPoolResourceReleased();
}

HRESULT DeviceResource::getDevice(IDirect3DDevice8** device) const {
    if (!device) return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (m_gl.expired()) return D3DERR_INVALIDCALL;
    m_device->AddRef();
    *device = m_device;
    return D3D_OK;
}

bool validPool(D3DPOOL pool) {
    return pool == D3DPOOL_DEFAULT || pool == D3DPOOL_MANAGED || pool == D3DPOOL_SYSTEMMEM;
}

}  // namespace platform
