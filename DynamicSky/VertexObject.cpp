#include "DynamicSky/VertexObject.h"

#include "Platform/ComClasses.h"

CPVertexObject::CPVertexObject() = default;

CPVertexObject::~CPVertexObject()
{
    SafeRelease(texture);
    SafeRelease(indexBuffer);
    SafeRelease(vertexBuffer);
}

void CPVertexObject::OnLostDevice()
{
}

void CPVertexObject::OnResetDevice()
{
}
