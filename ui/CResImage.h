#pragma once
// The holder of one picture decoded from the program's resources (PNG,
// resource type 2020). Pictures are decoded once and kept; drawing only
// scales them, opening a drawing surface for each call.
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/Graphics.h"
#include "platform/Types.h"

class CResImage {
public:
    CResImage() = default;
    CResImage(const CResImage&) = delete;
    CResImage& operator=(const CResImage&) = delete;

    // Releases the held picture, then decodes resource id. True when the
    // holder afterwards holds a picture; on false it is empty.
    bool LoadFromResource(uint16_t id);
    // Loads the picture id of the set drawn at dpi (see PictureSetForDpi):
    // above 96 DPI the 200 % picture, or the 100 % one when that is missing.
    bool LoadForDpi(uint16_t id, int32_t dpi);
    // Changes to the set drawn at dpi when it is not the one held (after a
    // load); true when the holder afterwards holds a picture.
    bool SelectForDpi(int32_t dpi);
    // 1 for a 100 % picture, 2 for a 200 % one.
    int32_t Set() const { return m_set; }
    // Releases the held picture; the holder is empty afterwards.
    void Reset();
    bool IsLoaded() const { return m_image != nullptr; }

    // Width and height in pixels; 0 and 0 when the holder is empty.
    void GetSize(int32_t& width, int32_t& height) const;
    // The size the picture stands for at 96 DPI: its size divided by its set.
    void GetDesignSize(int32_t& width, int32_t& height) const;
    // Hands the pixels to reader in place (see IImage::ReadPixels); false
    // when the holder is empty or they cannot be read.
    bool ReadPixels(const std::function<void(const uint32_t* pixels, int32_t stride)>& reader) const;

    // The whole picture scaled into dest (in dc's coordinates).
    void Draw(DeviceContext dc, const Rect& dest) const;
    // The whole picture at (x, y) in its own size.
    void DrawAt(DeviceContext dc, int32_t x, int32_t y) const;
    // The part of the picture that starts at column srcX of its top row and
    // is srcWidth by srcHeight pixels, scaled into dest.
    void DrawPart(DeviceContext dc, const Rect& dest, int32_t srcX, int32_t srcWidth, int32_t srcHeight) const;

private:
    std::unique_ptr<IImage> m_image;
    uint16_t m_id = 0;    // the 100 % picture's id; 0 before the first load
    int32_t m_set = 1;
};
