// Morph clip: a list of frames, each a complete vertex and index list, shown
// one after another at a fixed frame time. Animated bodies share clips by
// name through smart pointers; the animation manager finds them by name.
#pragma once

#include "Core/PBoundingBox.h"
#include "Core/PManagedObject.h"
#include "Render/PVertex.h"

#include <cstdint>
#include <string>
#include <vector>

class CPFileReader;

struct CPAnimationFrame
{
    std::vector<CPVertex> vertices;
    std::vector<uint16_t> indices;
    // Position of the frame in its clip, from 0.
    int32_t index = 0;
};

class CPAnimation : public CPManagedObject
{
public:
    // Stored frame times count in units of 1/2400 s.
    static constexpr float kFrameTimeUnit = 0.00041666668f;

    // Files itself in the animation manager under the name.
    explicit CPAnimation(const std::string& name);
    // Leaves the manager when its entry still names this clip.
    ~CPAnimation() override;

    int32_t GetObjectSize() const override;
    // "CPAnimation".
    std::string GetTypeName() const override;

    // Reads one clip block at the reader's position: frame count, stored
    // frame time, then per frame a vertex list and an index list. The
    // diffuse colour of every vertex becomes the loader's vertex colour.
    // False (the clip left as it was) when a count is negative or promises more
    // records than the bytes left hold.
    bool Load(CPFileReader& reader);

    const std::string& GetName() const { return m_name; }

    std::string m_name;
    // Seconds: frame count x frame time.
    float m_length = 0.0f;
    int32_t m_frameCount = 0;
    // Seconds per frame.
    float m_frameTime = 0.0f;
    std::vector<CPAnimationFrame> m_frames;
    // Around the positions of all frames.
    CPBoundingBox m_bounds;
};

// Reads a counted list of vertices (count, then the records), giving each the
// diffuse colour. False when the count is negative or overruns the bytes left.
bool ReadVertexList(CPFileReader& reader, D3DCOLOR diffuse, std::vector<CPVertex>& vertices);
// Reads a counted list of 16-bit indices; false as for ReadVertexList.
bool ReadIndexList(CPFileReader& reader, std::vector<uint16_t>& indices);

// Running extent of vertex positions. The search starts from the loader's
// fixed far values; a search that saw no vertex gives a zero box at the
// origin instead of an inverted one.
struct CPPositionExtent
{
    D3DXVECTOR3 minimum{ 5000000.0f, 5000000.0f, 5000000.0f };
    D3DXVECTOR3 maximum{ -500000.0f, -5000000.0f, -500000.0f };
    bool seen = false;

    void Add(const std::vector<CPVertex>& vertices);
    D3DXVECTOR3 Centre() const;
    D3DXVECTOR3 HalfSize() const;
};
