#include "Platform/D3DX9Math.h"

namespace
{
// 1 / length for normalising, or 0 for a zero length. The length is taken in
// double so that very small or very large vectors neither underflow to zero
// nor overflow to infinity on the way.
float InverseLength(double lengthSq)
{
    if (!(lengthSq > 0.0))
        return 0.0f;
    return static_cast<float>(1.0 / std::sqrt(lengthSq));
}

double Sq(float value)
{
    return static_cast<double>(value) * value;
}

// Applies one of PlatformD3DX::MatrixRows' transforms to n strided vectors.
// Vectors are read and written through memcpy, since they usually sit inside
// vertices.
template <typename Transform>
void TransformStrided(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV, UINT vStride, UINT n,
                      Transform transform)
{
    const unsigned char* src = reinterpret_cast<const unsigned char*>(pV);
    unsigned char* dst = reinterpret_cast<unsigned char*>(pOut);
    for (UINT i = 0; i < n; ++i) {
        float in[3];
        float out[3];
        std::memcpy(in, src, sizeof(in));
        transform(in, out);
        std::memcpy(dst, out, sizeof(out));
        src += vStride;
        dst += outStride;
    }
}
}

// --- Operators defined out of line ------------------------------------------

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& mat)
{
    D3DXMatrixMultiply(this, this, &mat);
    return *this;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& mat) const
{
    D3DXMATRIX result;
    D3DXMatrixMultiply(&result, this, &mat);
    return result;
}

D3DXQUATERNION& D3DXQUATERNION::operator*=(const D3DXQUATERNION& q)
{
    D3DXQuaternionMultiply(this, this, &q);
    return *this;
}

D3DXQUATERNION D3DXQUATERNION::operator*(const D3DXQUATERNION& q) const
{
    D3DXQUATERNION result;
    D3DXQuaternionMultiply(&result, this, &q);
    return result;
}

// --- Vectors ----------------------------------------------------------------

D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV)
{
    if (!pOut || !pV)
        return nullptr;
    const float inv = InverseLength(Sq(pV->x) + Sq(pV->y));
    *pOut = D3DXVECTOR2(pV->x * inv, pV->y * inv);
    return pOut;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV)
{
    if (!pOut || !pV)
        return nullptr;
    const float inv = InverseLength(Sq(pV->x) + Sq(pV->y) + Sq(pV->z));
    *pOut = *pV * inv;
    return pOut;
}

D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV)
{
    if (!pOut || !pV)
        return nullptr;
    const float inv = InverseLength(Sq(pV->x) + Sq(pV->y) + Sq(pV->z) + Sq(pV->w));
    *pOut = *pV * inv;
    return pOut;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM)
{
    if (!pOut || !pV || !pM)
        return nullptr;
    const D3DXVECTOR4 v(*pV, 1.0f);
    return D3DXVec4Transform(pOut, &v, pM);
}

D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV,
                                         UINT vStride, const D3DXMATRIX* pM, UINT n)
{
    if (!pOut || !pV || !pM)
        return nullptr;
    const PlatformD3DX::MatrixRows rows(*pM);
    // Most world matrices have no projective part: then w is 1 and the
    // division can be skipped without changing the result.
    if (rows.IsAffine()) {
        TransformStrided(pOut, outStride, pV, vStride, n,
                         [&rows](const float* in, float* out) { rows.TransformAffine(in, out); });
    } else {
        TransformStrided(pOut, outStride, pV, vStride, n,
                         [&rows](const float* in, float* out) { rows.TransformCoord(in, out); });
    }
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformNormalArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV,
                                          UINT vStride, const D3DXMATRIX* pM, UINT n)
{
    if (!pOut || !pV || !pM)
        return nullptr;
    const PlatformD3DX::MatrixRows rows(*pM);
    TransformStrided(pOut, outStride, pV, vStride, n,
                     [&rows](const float* in, float* out) { rows.TransformNormal(in, out); });
    return pOut;
}

D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM)
{
    if (!pOut || !pV || !pM)
        return nullptr;
    const float x = pV->x, y = pV->y, z = pV->z, w = pV->w;
    const D3DXMATRIX& m = *pM;
    *pOut = D3DXVECTOR4(x * m._11 + y * m._21 + z * m._31 + w * m._41,
                        x * m._12 + y * m._22 + z * m._32 + w * m._42,
                        x * m._13 + y * m._23 + z * m._33 + w * m._43,
                        x * m._14 + y * m._24 + z * m._34 + w * m._44);
    return pOut;
}

// --- Matrices ---------------------------------------------------------------

BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* pM)
{
    if (!pM)
        return FALSE;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (pM->m[r][c] != (r == c ? 1.0f : 0.0f))
                return FALSE;
        }
    }
    return TRUE;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM)
{
    if (!pOut || !pM)
        return nullptr;
    const D3DXMATRIX source(*pM);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            pOut->m[r][c] = source.m[c][r];
    }
    return pOut;
}

namespace
{
// The 2 x 2 minors of the top two rows (s) and the bottom two rows (c), from
// which both the determinant and the adjugate are built. Kept in double so
// that a singular matrix of plain values comes out with a determinant of 0.
struct Minors
{
    double a[4][4];
    double s0, s1, s2, s3, s4, s5;
    double c0, c1, c2, c3, c4, c5;

    explicit Minors(const D3DXMATRIX& m)
    {
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c)
                a[r][c] = m.m[r][c];
        }
        s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
        s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
        s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
        s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
        s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
        s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
        c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
        c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
        c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
        c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
        c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
        c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
    }

    double Determinant() const
    {
        return s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    }
};
}

float D3DXMatrixDeterminant(const D3DXMATRIX* pM)
{
    if (!pM)
        return 0.0f;
    return static_cast<float>(Minors(*pM).Determinant());
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM)
{
    if (!pOut || !pM)
        return nullptr;
    const Minors n(*pM);
    const double det = n.Determinant();
    if (pDeterminant)
        *pDeterminant = static_cast<float>(det);
    if (det == 0.0)
        return nullptr;
    const double k = 1.0 / det;
    const double (&a)[4][4] = n.a;
    const double inverse[4][4] = {
        {(a[1][1] * n.c5 - a[1][2] * n.c4 + a[1][3] * n.c3) * k,
         (-a[0][1] * n.c5 + a[0][2] * n.c4 - a[0][3] * n.c3) * k,
         (a[3][1] * n.s5 - a[3][2] * n.s4 + a[3][3] * n.s3) * k,
         (-a[2][1] * n.s5 + a[2][2] * n.s4 - a[2][3] * n.s3) * k},
        {(-a[1][0] * n.c5 + a[1][2] * n.c2 - a[1][3] * n.c1) * k,
         (a[0][0] * n.c5 - a[0][2] * n.c2 + a[0][3] * n.c1) * k,
         (-a[3][0] * n.s5 + a[3][2] * n.s2 - a[3][3] * n.s1) * k,
         (a[2][0] * n.s5 - a[2][2] * n.s2 + a[2][3] * n.s1) * k},
        {(a[1][0] * n.c4 - a[1][1] * n.c2 + a[1][3] * n.c0) * k,
         (-a[0][0] * n.c4 + a[0][1] * n.c2 - a[0][3] * n.c0) * k,
         (a[3][0] * n.s4 - a[3][1] * n.s2 + a[3][3] * n.s0) * k,
         (-a[2][0] * n.s4 + a[2][1] * n.s2 - a[2][3] * n.s0) * k},
        {(-a[1][0] * n.c3 + a[1][1] * n.c1 - a[1][2] * n.c0) * k,
         (a[0][0] * n.c3 - a[0][1] * n.c1 + a[0][2] * n.c0) * k,
         (-a[3][0] * n.s3 + a[3][1] * n.s1 - a[3][2] * n.s0) * k,
         (a[2][0] * n.s3 - a[2][1] * n.s1 + a[2][2] * n.s0) * k},
    };
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            pOut->m[r][c] = static_cast<float>(inverse[r][c]);
    }
    return pOut;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z)
{
    if (!D3DXMatrixIdentity(pOut))
        return nullptr;
    pOut->_41 = x;
    pOut->_42 = y;
    pOut->_43 = z;
    return pOut;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz)
{
    if (!D3DXMatrixIdentity(pOut))
        return nullptr;
    pOut->_11 = sx;
    pOut->_22 = sy;
    pOut->_33 = sz;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float angle)
{
    if (!D3DXMatrixIdentity(pOut))
        return nullptr;
    const float c = std::cos(angle), s = std::sin(angle);
    pOut->_22 = c;
    pOut->_23 = s;
    pOut->_32 = -s;
    pOut->_33 = c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float angle)
{
    if (!D3DXMatrixIdentity(pOut))
        return nullptr;
    const float c = std::cos(angle), s = std::sin(angle);
    pOut->_11 = c;
    pOut->_13 = -s;
    pOut->_31 = s;
    pOut->_33 = c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float angle)
{
    if (!D3DXMatrixIdentity(pOut))
        return nullptr;
    const float c = std::cos(angle), s = std::sin(angle);
    pOut->_11 = c;
    pOut->_12 = s;
    pOut->_21 = -s;
    pOut->_22 = c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pV, float angle)
{
    if (!pOut || !pV)
        return nullptr;
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, pV);
    const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    // c * I + t * n n^T - s * [n]x: the transpose of the column-vector form.
    *pOut = D3DXMATRIX(t * n.x * n.x + c, t * n.x * n.y + s * n.z, t * n.x * n.z - s * n.y, 0.0f,
                       t * n.x * n.y - s * n.z, t * n.y * n.y + c, t * n.y * n.z + s * n.x, 0.0f,
                       t * n.x * n.z + s * n.y, t * n.y * n.z - s * n.x, t * n.z * n.z + c, 0.0f,
                       0.0f, 0.0f, 0.0f, 1.0f);
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, float yaw, float pitch, float roll)
{
    if (!pOut)
        return nullptr;
    const float cy = std::cos(yaw), sy = std::sin(yaw);
    const float cp = std::cos(pitch), sp = std::sin(pitch);
    const float cr = std::cos(roll), sr = std::sin(roll);
    // RotationZ(roll) x RotationX(pitch) x RotationY(yaw), multiplied out.
    *pOut = D3DXMATRIX(cr * cy + sr * sp * sy, sr * cp, sr * sp * cy - cr * sy, 0.0f,
                       cr * sp * sy - sr * cy, cr * cp, sr * sy + cr * sp * cy, 0.0f,
                       cp * sy, -sp, cp * cy, 0.0f,
                       0.0f, 0.0f, 0.0f, 1.0f);
    return pOut;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp)
{
    if (!pOut || !pEye || !pAt || !pUp)
        return nullptr;
    D3DXVECTOR3 zaxis = *pAt - *pEye;
    D3DXVec3Normalize(&zaxis, &zaxis);
    D3DXVECTOR3 xaxis;
    D3DXVec3Cross(&xaxis, pUp, &zaxis);
    D3DXVec3Normalize(&xaxis, &xaxis);
    D3DXVECTOR3 yaxis;
    D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
    *pOut = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0.0f,
                       xaxis.y, yaxis.y, zaxis.y, 0.0f,
                       xaxis.z, yaxis.z, zaxis.z, 0.0f,
                       -D3DXVec3Dot(&xaxis, pEye), -D3DXVec3Dot(&yaxis, pEye), -D3DXVec3Dot(&zaxis, pEye), 1.0f);
    return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float aspect, float zn, float zf)
{
    if (!pOut)
        return nullptr;
    const float yScale = 1.0f / std::tan(fovy * 0.5f);
    const float xScale = yScale / aspect;
    const float depth = zf / (zf - zn);
    *pOut = D3DXMATRIX(xScale, 0.0f, 0.0f, 0.0f,
                       0.0f, yScale, 0.0f, 0.0f,
                       0.0f, 0.0f, depth, 1.0f,
                       0.0f, 0.0f, -zn * depth, 0.0f);
    return pOut;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, float l, float r, float b, float t, float zn, float zf)
{
    if (!pOut)
        return nullptr;
    *pOut = D3DXMATRIX(2.0f / (r - l), 0.0f, 0.0f, 0.0f,
                       0.0f, 2.0f / (t - b), 0.0f, 0.0f,
                       0.0f, 0.0f, 1.0f / (zf - zn), 0.0f,
                       (l + r) / (l - r), (t + b) / (b - t), zn / (zn - zf), 1.0f);
    return pOut;
}

D3DXMATRIX* D3DXMatrixShadow(D3DXMATRIX* pOut, const D3DXVECTOR4* pLight, const D3DXPLANE* pPlane)
{
    if (!pOut || !pLight || !pPlane)
        return nullptr;
    D3DXPLANE p;
    D3DXPlaneNormalize(&p, pPlane);
    const float dot = D3DXPlaneDot(&p, pLight);
    // M = dot * I - P L^T: a point p goes to dot * p - (p . P) * L, which
    // lies on the plane and on the line from the light through p.
    const float plane[4] = {p.a, p.b, p.c, p.d};
    const float light[4] = {pLight->x, pLight->y, pLight->z, pLight->w};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            pOut->m[r][c] = (r == c ? dot : 0.0f) - plane[r] * light[c];
    }
    return pOut;
}

// --- Quaternions ------------------------------------------------------------

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ)
{
    if (!pOut || !pQ)
        return nullptr;
    const float inv = InverseLength(Sq(pQ->x) + Sq(pQ->y) + Sq(pQ->z) + Sq(pQ->w));
    *pOut = *pQ * inv;
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ)
{
    if (!pOut || !pQ)
        return nullptr;
    const double lengthSq = Sq(pQ->x) + Sq(pQ->y) + Sq(pQ->z) + Sq(pQ->w);
    const float inv = lengthSq > 0.0 ? static_cast<float>(1.0 / lengthSq) : 0.0f;
    *pOut = D3DXQUATERNION(-pQ->x * inv, -pQ->y * inv, -pQ->z * inv, pQ->w * inv);
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                       const D3DXQUATERNION* pQ2)
{
    if (!pOut || !pQ1 || !pQ2)
        return nullptr;
    // Hamilton product a * b with a = pQ2, b = pQ1.
    const D3DXQUATERNION a = *pQ2, b = *pQ1;
    *pOut = D3DXQUATERNION(a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
                           a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
                           a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,
                           a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z);
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* pOut, const D3DXVECTOR3* pV, float angle)
{
    if (!pOut || !pV)
        return nullptr;
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, pV);
    const float s = std::sin(angle * 0.5f);
    *pOut = D3DXQUATERNION(n.x * s, n.y * s, n.z * s, std::cos(angle * 0.5f));
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* pOut, float yaw, float pitch, float roll)
{
    if (!pOut)
        return nullptr;
    const float cy = std::cos(yaw * 0.5f), sy = std::sin(yaw * 0.5f);
    const float cp = std::cos(pitch * 0.5f), sp = std::sin(pitch * 0.5f);
    const float cr = std::cos(roll * 0.5f), sr = std::sin(roll * 0.5f);
    // Roll, then pitch, then yaw: the Hamilton product yaw * pitch * roll.
    *pOut = D3DXQUATERNION(cy * sp * cr + sy * cp * sr,
                           sy * cp * cr - cy * sp * sr,
                           cy * cp * sr - sy * sp * cr,
                           cy * cp * cr + sy * sp * sr);
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                    const D3DXQUATERNION* pQ2, float t)
{
    if (!pOut || !pQ1 || !pQ2)
        return nullptr;
    float cosAngle = D3DXQuaternionDot(pQ1, pQ2);
    D3DXQUATERNION end = *pQ2;
    // q and -q are the same rotation; take the one on the shorter arc.
    if (cosAngle < 0.0f) {
        cosAngle = -cosAngle;
        end = -end;
    }
    float k1 = 1.0f - t, k2 = t;
    // Nearly equal rotations: the straight line is as good and avoids
    // dividing by a sine near zero.
    if (cosAngle < 0.9999f) {
        const float angle = std::acos(cosAngle);
        const float inv = 1.0f / std::sin(angle);
        k1 = std::sin((1.0f - t) * angle) * inv;
        k2 = std::sin(t * angle) * inv;
    }
    *pOut = *pQ1 * k1 + end * k2;
    return pOut;
}

// --- Planes -----------------------------------------------------------------

D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP)
{
    if (!pOut || !pP)
        return nullptr;
    const float inv = InverseLength(Sq(pP->a) + Sq(pP->b) + Sq(pP->c));
    *pOut = D3DXPLANE(pP->a * inv, pP->b * inv, pP->c * inv, pP->d * inv);
    return pOut;
}

D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* pOut, const D3DXVECTOR3* pPoint, const D3DXVECTOR3* pNormal)
{
    if (!pOut || !pPoint || !pNormal)
        return nullptr;
    *pOut = D3DXPLANE(pNormal->x, pNormal->y, pNormal->z, -D3DXVec3Dot(pPoint, pNormal));
    return pOut;
}

D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                               const D3DXVECTOR3* pV3)
{
    if (!pOut || !pV1 || !pV2 || !pV3)
        return nullptr;
    const D3DXVECTOR3 edge1 = *pV2 - *pV1;
    const D3DXVECTOR3 edge2 = *pV3 - *pV1;
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &edge1, &edge2);
    D3DXVec3Normalize(&normal, &normal);
    return D3DXPlaneFromPointNormal(pOut, pV1, &normal);
}

D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* pOut, const D3DXPLANE* pP, const D3DXVECTOR3* pV1,
                                    const D3DXVECTOR3* pV2)
{
    if (!pOut || !pP || !pV1 || !pV2)
        return nullptr;
    const D3DXVECTOR3 direction = *pV2 - *pV1;
    const float along = D3DXPlaneDotNormal(pP, &direction);
    if (along == 0.0f)
        return nullptr;
    const float t = -D3DXPlaneDotCoord(pP, pV1) / along;
    *pOut = *pV1 + direction * t;
    return pOut;
}

D3DXPLANE* D3DXPlaneTransform(D3DXPLANE* pOut, const D3DXPLANE* pP, const D3DXMATRIX* pM)
{
    if (!pOut || !pP || !pM)
        return nullptr;
    const D3DXVECTOR4 v(pP->a, pP->b, pP->c, pP->d);
    D3DXVECTOR4 r;
    D3DXVec4Transform(&r, &v, pM);
    *pOut = D3DXPLANE(r.x, r.y, r.z, r.w);
    return pOut;
}
