#include "Race/PGhostSample.h"

#include <cstring>

namespace
{
void StoreFloat(float value, uint8_t*& out)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    for (int i = 0; i < 4; ++i)
        *out++ = static_cast<uint8_t>(bits >> (8 * i));
}

float LoadFloat(const uint8_t*& in)
{
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= static_cast<uint32_t>(*in++) << (8 * i);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

void StoreQuaternion(const D3DXQUATERNION& q, uint8_t*& out)
{
    StoreFloat(q.x, out);
    StoreFloat(q.y, out);
    StoreFloat(q.z, out);
    StoreFloat(q.w, out);
}

D3DXQUATERNION LoadQuaternion(const uint8_t*& in)
{
    D3DXQUATERNION q;
    q.x = LoadFloat(in);
    q.y = LoadFloat(in);
    q.z = LoadFloat(in);
    q.w = LoadFloat(in);
    return q;
}
}

void StoreGhostSample(const CPGhostSample& sample, uint8_t* bytes)
{
    uint8_t* out = bytes;
    StoreFloat(sample.position.x, out);
    StoreFloat(sample.position.y, out);
    StoreFloat(sample.position.z, out);
    StoreQuaternion(sample.rotation, out);
    *out++ = sample.bikePartFlag;
    for (int i = 0; i < 3; ++i)
        *out++ = 0;
    StoreQuaternion(sample.riderRotation, out);
    StoreQuaternion(sample.bodyRotation, out);
    StoreFloat(sample.sampleTime, out);
}

CPGhostSample LoadGhostSample(const uint8_t* bytes)
{
    const uint8_t* in = bytes;
    CPGhostSample sample;
    sample.position.x = LoadFloat(in);
    sample.position.y = LoadFloat(in);
    sample.position.z = LoadFloat(in);
    sample.rotation = LoadQuaternion(in);
    sample.bikePartFlag = *in;
    in += 4;
    sample.riderRotation = LoadQuaternion(in);
    sample.bodyRotation = LoadQuaternion(in);
    sample.sampleTime = LoadFloat(in);
    return sample;
}
