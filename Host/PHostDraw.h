// The host's drawing of a frame, after the tasks: the render queues' batches
// layer by layer (ascending layer id, each with its camera and transform)
// through the dynamic buffer rings and the materials' effects, the hidden
// bodies from their static buffers, the sky, the debug lines, then the fade,
// the motion blur and the blur grid over the whole screen, and the present.
// Each queue draws through its own ring, which the host makes with the
// device and gives back to it around a reset.
#pragma once

#include "Platform/D3D9.h"

#include <cstdint>

class CPRender;
class CPRenderQueue;

// Ring sizes of the render system's queues: one slot holds as many vertices
// as 16-bit indices reach.
constexpr int32_t kHostRingVertices = 65536;
constexpr int32_t kHostRingIndices = 3 * 65536;
constexpr int32_t kHostRingSlots = 4;

// Gives each queue a ring on the device: the frame queue one of
// kHostRingSlots slots, the level's static queue one slot that keeps its
// contents. False (reported) when the buffers cannot be made.
bool CreateHostRings(IDirect3DDevice9* device, CPRenderQueue* frameQueue, CPRenderQueue* levelQueue,
                     int32_t vertexCapacity = kHostRingVertices, int32_t indexCapacity = kHostRingIndices);
// Takes the rings from the queues and destroys them.
void DestroyHostRings();
// Empties the queues' batches without drawing them: the bodies queued since
// the last frame are let go before the objects that own them end.
void EmptyHostBatches(CPRender& render);

// Draws one frame of the render system into its device and presents it;
// returns the result of Present (D3DERR_INVALIDCALL without a device). The
// queues' batches are emptied, the lights applied and the lines cleared.
HRESULT DrawFrame(CPRender& render);
