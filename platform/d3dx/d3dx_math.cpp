// The utility library's matrix and colour functions. Row vectors throughout:
// v' = v * M, and A * B applies A first.
#include "d3dx8_api.h"

#include <cmath>

D3DXMATRIX::D3DXMATRIX(float m11, float m12, float m13, float m14, float m21, float m22,
                       float m23, float m24, float m31, float m32, float m33, float m34,
                       float m41, float m42, float m43, float m44)
    : D3DMATRIX{} {
    _11 = m11, _12 = m12, _13 = m13, _14 = m14;
    _21 = m21, _22 = m22, _23 = m23, _24 = m24;
    _31 = m31, _32 = m32, _33 = m33, _34 = m34;
    _41 = m41, _42 = m42, _43 = m43, _44 = m44;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& other) const {
    D3DXMATRIX out;
    D3DXMatrixMultiply(&out, this, &other);
    return out;
}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& other) {
    const D3DXMATRIX self = *this;
    D3DXMatrixMultiply(this, &self, &other);
    return *this;
}

namespace {

BYTE channelToByte(float value) {
    if (!(value > 0.0f)) return 0;  // also NaN
    if (value >= 1.0f) return 255;
    return static_cast<BYTE>(value * 255.0f + 0.5f);
}

}  // namespace

D3DXCOLOR::D3DXCOLOR(D3DCOLOR argb)
    : r(((argb >> 16) & 0xFF) / 255.0f),
      g(((argb >> 8) & 0xFF) / 255.0f),
      b((argb & 0xFF) / 255.0f),
      a(((argb >> 24) & 0xFF) / 255.0f) {}

D3DXCOLOR::operator D3DCOLOR() const {
    return (DWORD(channelToByte(a)) << 24) | (DWORD(channelToByte(r)) << 16) |
           (DWORD(channelToByte(g)) << 8) | DWORD(channelToByte(b));
}

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
    *out = D3DXMATRIX();
    out->_11 = out->_22 = out->_33 = out->_44 = 1.0f;
    return out;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
    D3DXMATRIX result;  // out may alias a or b
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a->m[row][k] * b->m[k][col];
            result.m[row][col] = sum;
        }
    }
    *out = result;
    return out;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
    D3DXMATRIX result;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) result.m[row][col] = m->m[col][row];
    *out = result;
    return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
    D3DXMatrixIdentity(out);
    out->_11 = sx;
    out->_22 = sy;
    out->_33 = sz;
    return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
    D3DXMatrixIdentity(out);
    out->_41 = x;
    out->_42 = y;
    out->_43 = z;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(out);
    out->_22 = c;
    out->_23 = s;
    out->_32 = -s;
    out->_33 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(out);
    out->_11 = c;
    out->_13 = -s;
    out->_31 = s;
    out->_33 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(out);
    out->_11 = c;
    out->_12 = s;
    out->_21 = -s;
    out->_22 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zNear,
                                       float zFar) {
    const float yScale = 1.0f / std::tan(fovY / 2.0f);
    const float xScale = yScale / aspect;
    *out = D3DXMATRIX();
    out->_11 = xScale;
    out->_22 = yScale;
    out->_33 = zFar / (zFar - zNear);
    out->_34 = 1.0f;
    out->_43 = -zNear * zFar / (zFar - zNear);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float width, float height, float zNear,
                              float zFar) {
    D3DXMatrixIdentity(out);
    out->_11 = 2.0f / width;
    out->_22 = 2.0f / height;
    out->_33 = 1.0f / (zFar - zNear);
    out->_43 = zNear / (zNear - zFar);
    return out;
}
