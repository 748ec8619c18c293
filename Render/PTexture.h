// Texture: one 2D or cube texture made from an image file under
// "Data\Textures". Textures come from the texture cache (CPTextureManager),
// keyed by their texture spec: the file name, then options after commas:
// "nomip" (one mip level only) and "cube" (a cube texture). A missing file
// is looked for with its name ending in "jpg" instead.
//
// A video player shows its frames through the texture cached under "video"
// (or "video1"): it lends that texture its own device texture and renames it
// "VIDEO" (or "VIDEO1"); a texture under such a name never releases the
// device texture, which stays the player's.
#pragma once

#include "Core/PManagedObject.h"
#include "Platform/D3D9.h"

#include <cstdint>
#include <string>

class CPTexture : public CPManagedObject
{
public:
    CPTexture();
    // Releases its device textures (unless a video player lent them) and
    // leaves the cache.
    ~CPTexture() override;

    // Loads the texture the request names. False (and nothing made) when the
    // file cannot be read or the texture cannot be made, and for an empty
    // file name, which is never looked for.
    bool Load(const std::string& spec);

    int32_t GetObjectSize() const override;
    // "CPTexture - " followed by the name.
    std::string GetTypeName() const override;

    // Null for a cube texture and when nothing was loaded.
    IDirect3DTexture9* GetTexture() const { return m_texture; }
    // Null unless a cube texture was loaded.
    IDirect3DCubeTexture9* GetCubeTexture() const { return m_cubeTexture; }
    // Whichever of the two exists, for a texture stage; null when neither does.
    IDirect3DBaseTexture9* GetBaseTexture() const;
    const std::string& GetName() const { return m_name; }
    bool IsCube() const { return m_isCube != 0; }
    uint32_t GetWidth() const { return m_width; }
    uint32_t GetHeight() const { return m_height; }

    // A video player's frames: the texture shows the player's device texture
    // under the player's name ("VIDEO" or "VIDEO1"). What the texture owned
    // before is released; the lent texture is not.
    void ShowVideo(IDirect3DTexture9* texture, const std::string& videoName);
    // Takes a texture the host made itself (a font atlas) under the name;
    // the texture then owns it.
    void Adopt(const std::string& name, IDirect3DTexture9* texture, uint32_t width, uint32_t height);
    // Whether the name is one a video player gives ("VIDEO", "VIDEO1").
    static bool IsVideoName(const std::string& name);

private:
    void ReleaseOwned();

    IDirect3DTexture9* m_texture;
    IDirect3DCubeTexture9* m_cubeTexture;
    std::string m_name;
    uint8_t m_isCube;
    uint32_t m_width;
    uint32_t m_height;
};
