#include "Vehicles/PPhysicAllocator.h"

#include <cstdlib>

void* CPPhysicAllocator::Alloc(uint32_t size, uint32_t /*hint*/)
{
    m_allocatedTotal += size;
    return std::malloc(size);
}

void CPPhysicAllocator::Free(void* block)
{
    std::free(block);
}
