#include "platform/win/GdiplusImage.h"

#include <algorithm>
#include <cstring>

#include "platform/Resources.h"

using namespace Gdiplus::DllExports;

namespace {

enum class RowKind { Transparent, Opaque, Mixed };

RowKind KindOfRow(const uint8_t* row, int32_t width)
{
    bool anyOpaque = false;
    bool anyTransparent = false;
    for (int32_t x = 0; x < width; ++x) {
        const uint8_t alpha = row[4 * x + 3];
        if (alpha == 0xFF)
            anyOpaque = true;
        else if (alpha == 0)
            anyTransparent = true;
        else
            return RowKind::Mixed;
    }
    if (anyOpaque && anyTransparent)
        return RowKind::Mixed;
    return anyOpaque ? RowKind::Opaque : RowKind::Transparent;
}

ScopedGpImage CloneArea(Gdiplus::GpImage* source, int32_t top, int32_t width, int32_t height,
                        Gdiplus::PixelFormat format)
{
    Gdiplus::GpBitmap* copy = nullptr;
    if (GdipCloneBitmapAreaI(0, top, width, height, format, static_cast<Gdiplus::GpBitmap*>(source), &copy) !=
        Gdiplus::Ok)
        copy = nullptr;
    return ScopedGpImage(copy);
}

}  // namespace

bool GdiplusImage::Decode(HMODULE module, uint16_t id, ScopedGlobalMemory& bytes, ScopedGpImage& decoded)
{
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(kResourceType));
    if (info == nullptr)
        return false;
    const DWORD size = SizeofResource(module, info);
    // A loaded resource lives as long as the module: nothing to release.
    HGLOBAL resource = LoadResource(module, info);
    if (resource == nullptr || size == 0)
        return false;
    const void* source = LockResource(resource);
    if (source == nullptr)
        return false;

    // A stream over global memory wants a movable block; the stream must not
    // free it, since the image may go on reading from it.
    ScopedGlobalMemory copy(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!copy)
        return false;
    {
        ScopedGlobalLock lock = LockGlobal(copy.Get());
        if (lock.Get().data == nullptr)
            return false;
        std::memcpy(lock.Get().data, source, size);
        ScopedStream stream;
        if (FAILED(CreateStreamOnHGlobal(copy.Get(), FALSE, stream.Out())))
            return false;
        Gdiplus::GpImage* image = nullptr;
        if (GdipLoadImageFromStream(stream.Get(), &image) != Gdiplus::Ok || image == nullptr)
            return false;
        decoded.Reset(image);
    }
    bytes = std::move(copy);
    return true;
}

std::unique_ptr<GdiplusImage> GdiplusImage::FromResource(HMODULE module, uint16_t id)
{
    ScopedGlobalMemory bytes;
    ScopedGpImage decoded;
    if (!Decode(module, id, bytes, decoded))
        return nullptr;
    std::unique_ptr<GdiplusImage> result(new GdiplusImage(module, id, std::move(bytes), std::move(decoded)));
    result->PrepareForDrawing();
    return result;
}

GdiplusImage::GdiplusImage(HMODULE module, uint16_t id, ScopedGlobalMemory bytes, ScopedGpImage decoded)
    : m_module(module), m_id(id), m_bytes(std::move(bytes)), m_image(std::move(decoded))
{
    UINT w = 0;
    UINT h = 0;
    GdipGetImageWidth(m_image.Get(), &w);
    GdipGetImageHeight(m_image.Get(), &h);
    m_width = static_cast<int32_t>(w);
    m_height = static_cast<int32_t>(h);
}

bool GdiplusImage::HaveWhole() const
{
    if (!m_image) {
        ScopedGlobalMemory bytes;
        ScopedGpImage decoded;
        if (!Decode(m_module, m_id, bytes, decoded))
            return false;
        m_image = std::move(decoded);
        m_bytes = std::move(bytes);
    }
    return true;
}

bool GdiplusImage::CutIntoBands(Gdiplus::GpImage* image, int32_t width, int32_t height, std::vector<Band>& bands)
{
    Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
    if (GdipGetImageType(image, &type) != Gdiplus::Ok || type != Gdiplus::ImageTypeBitmap || width <= 0 ||
        height <= 0)
        return false;

    // The alpha of every row decides its band.
    std::vector<RowKind> rows(static_cast<size_t>(height));
    {
        Gdiplus::GpRect all(0, 0, width, height);
        Gdiplus::BitmapData data = {};
        auto* bitmap = static_cast<Gdiplus::GpBitmap*>(image);
        if (GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
            return false;
        for (int32_t y = 0; y < height; ++y)
            rows[static_cast<size_t>(y)] = KindOfRow(static_cast<const uint8_t*>(data.Scan0) + y * data.Stride, width);
        GdipBitmapUnlockBits(bitmap, &data);
    }

    std::vector<Band> cut;
    for (int32_t top = 0; top < height;) {
        const RowKind kind = rows[static_cast<size_t>(top)];
        int32_t bottom = top + 1;
        while (bottom < height && rows[static_cast<size_t>(bottom)] == kind)
            ++bottom;
        Band band;
        band.top = top;
        band.height = bottom - top;
        if (kind != RowKind::Transparent) {
            band.bitmap = CloneArea(image, top, width, band.height,
                                    kind == RowKind::Opaque ? PixelFormat32bppRGB : PixelFormat32bppPARGB);
            if (!band.bitmap)
                return false;
        }
        cut.push_back(std::move(band));
        top = bottom;
    }
    bands = std::move(cut);
    return true;
}

void GdiplusImage::PrepareForDrawing()
{
    // The bands are copies of their own: the decoded picture and its bytes
    // are not needed for drawing in its own size. They stay until the first
    // draw, for the window's region, which is read from them before it.
    CutIntoBands(m_image.Get(), m_width, m_height, m_bands);
}

void GdiplusImage::DrawBands(Gdiplus::GpGraphics* graphics, const std::vector<Band>& bands, int32_t x, int32_t y,
                             int32_t sx, int32_t sy, int32_t sw, int32_t sh, const RECT* visible)
{
    if (visible != nullptr) {
        // Drawn in its own size, a part of the picture is exactly the part
        // of the destination it covers.
        const int32_t left = std::max<int32_t>(x, visible->left);
        const int32_t top = std::max<int32_t>(y, visible->top);
        const int32_t right = std::min<int32_t>(x + sw, visible->right);
        const int32_t bottom = std::min<int32_t>(y + sh, visible->bottom);
        if (left >= right || top >= bottom)
            return;
        sx += left - x;
        sy += top - y;
        sw = right - left;
        sh = bottom - top;
        x = left;
        y = top;
    }
    for (const Band& band : bands) {
        const int32_t top = std::max(sy, band.top);
        const int32_t bottom = std::min(sy + sh, band.top + band.height);
        if (top >= bottom || !band.bitmap)
            continue;
        GdipDrawImageRectRectI(graphics, band.bitmap.Get(), x, y + (top - sy), sw, bottom - top, sx, top - band.top, sw,
                               bottom - top, Gdiplus::UnitPixel, nullptr, nullptr, nullptr);
    }
}

const GdiplusImage::ScaledCopy* GdiplusImage::ScaledCopyFor(int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t sw,
                                                            int32_t sh) const
{
    for (const ScaledCopy& copy : m_scaled) {
        if (copy.w == w && copy.h == h && copy.sx == sx && copy.sy == sy && copy.sw == sw && copy.sh == sh)
            return &copy;
    }
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0 || !HaveWhole())
        return nullptr;

    // Scaled once into a picture of the drawn size, with the same filtering
    // as a direct draw, and cut into bands like the picture itself.
    Gdiplus::GpBitmap* raw = nullptr;
    if (GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppPARGB, nullptr, &raw) != Gdiplus::Ok)
        raw = nullptr;
    ScopedGpImage scaled(raw);
    if (!scaled)
        return nullptr;
    {
        Gdiplus::GpGraphics* context = nullptr;
        if (GdipGetImageGraphicsContext(scaled.Get(), &context) != Gdiplus::Ok)
            return nullptr;
        ScopedGpGraphics graphics(context);
        DrawScaled(graphics.Get(), 0, 0, w, h, sx, sy, sw, sh);
    }
    ScaledCopy copy{w, h, sx, sy, sw, sh, {}};
    if (!CutIntoBands(scaled.Get(), w, h, copy.bands))
        return nullptr;

    // A copy at another scale belongs to the window's earlier DPI.
    const auto otherScale = [&](const ScaledCopy& kept) {
        return int64_t{kept.w} * sw != int64_t{w} * kept.sw || int64_t{kept.h} * sh != int64_t{h} * kept.sh;
    };
    m_scaled.erase(std::remove_if(m_scaled.begin(), m_scaled.end(), otherScale), m_scaled.end());
    m_scaled.push_back(std::move(copy));
    // Drawing in its own size needs only the bands: the whole picture goes
    // again until the next new scale.
    if (!m_bands.empty()) {
        m_image.Reset();
        m_bytes.Reset();
    }
    return &m_scaled.back();
}

void GdiplusImage::GetSize(int32_t& width, int32_t& height) const
{
    width = m_width;
    height = m_height;
}

bool GdiplusImage::ReadPixels(const std::function<void(const uint32_t* pixels, int32_t stride)>& reader) const
{
    if (m_width <= 0 || m_height <= 0)
        return false;
    const int32_t width = m_width;
    if (!m_image && !m_bands.empty()) {
        // Put together from the bands, for as long as the reader runs, each
        // band read in its own format (no conversion): fully transparent
        // rows are zero, opaque ones get their alpha.
        const size_t stride = static_cast<size_t>(width);
        std::unique_ptr<uint32_t[]> pixels(new uint32_t[stride * static_cast<size_t>(m_height)]);
        for (const Band& band : m_bands) {
            uint32_t* out = pixels.get() + static_cast<size_t>(band.top) * stride;
            if (!band.bitmap) {
                std::memset(out, 0, static_cast<size_t>(band.height) * stride * 4);
                continue;
            }
            auto* bitmap = static_cast<Gdiplus::GpBitmap*>(band.bitmap.Get());
            Gdiplus::PixelFormat format = PixelFormat32bppPARGB;
            GdipGetImagePixelFormat(bitmap, &format);
            const bool opaque = format == PixelFormat32bppRGB;
            Gdiplus::GpRect area(0, 0, width, band.height);
            Gdiplus::BitmapData data = {};
            if (GdipBitmapLockBits(bitmap, &area, Gdiplus::ImageLockModeRead,
                                   opaque ? PixelFormat32bppRGB : PixelFormat32bppPARGB, &data) != Gdiplus::Ok)
                return false;
            for (int32_t y = 0; y < band.height; ++y, out += stride) {
                std::memcpy(out, static_cast<const uint8_t*>(data.Scan0) + y * data.Stride, stride * 4);
                if (opaque) {
                    for (size_t x = 0; x < stride; ++x)
                        out[x] |= 0xFF000000u;
                }
            }
            GdipBitmapUnlockBits(bitmap, &data);
        }
        reader(pixels.get(), width);
        return true;
    }
    Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
    if (GdipGetImageType(m_image.Get(), &type) != Gdiplus::Ok || type != Gdiplus::ImageTypeBitmap)
        return false;
    // Read in the decoder's own format when it is 32-bit with alpha: no
    // conversion and no copy.
    Gdiplus::PixelFormat format = PixelFormat32bppPARGB;
    GdipGetImagePixelFormat(m_image.Get(), &format);
    if (format != PixelFormat32bppARGB)
        format = PixelFormat32bppPARGB;
    Gdiplus::GpRect all(0, 0, width, m_height);
    Gdiplus::BitmapData data = {};
    auto* bitmap = static_cast<Gdiplus::GpBitmap*>(m_image.Get());
    if (GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead, format, &data) != Gdiplus::Ok)
        return false;
    reader(static_cast<const uint32_t*>(data.Scan0), data.Stride / 4);
    GdipBitmapUnlockBits(bitmap, &data);
    return true;
}

void GdiplusImage::DrawScaled(Gdiplus::GpGraphics* graphics, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx,
                              int32_t sy, int32_t sw, int32_t sh) const
{
    // High-quality bicubic filtering, with pixel centres at half pixels and
    // the picture's edge pixels repeated beyond it (mirrored), so that a
    // picture scaled down keeps its sharpness and its edges do not fade
    // into transparency. The surface's own modes are restored afterwards.
    Gdiplus::InterpolationMode interpolation = Gdiplus::InterpolationModeDefault;
    Gdiplus::PixelOffsetMode offset = Gdiplus::PixelOffsetModeDefault;
    GdipGetInterpolationMode(graphics, &interpolation);
    GdipGetPixelOffsetMode(graphics, &offset);
    GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeHighQualityBicubic);
    GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf);
    Gdiplus::GpImageAttributes* raw = nullptr;
    if (GdipCreateImageAttributes(&raw) != Gdiplus::Ok)
        raw = nullptr;
    ScopedGpImageAttributes attributes(raw);
    if (attributes)
        GdipSetImageAttributesWrapMode(attributes.Get(), Gdiplus::WrapModeTileFlipXY, 0, FALSE);
    GdipDrawImageRectRectI(graphics, m_image.Get(), x, y, w, h, sx, sy, sw, sh, Gdiplus::UnitPixel,
                           attributes.Get(), nullptr, nullptr);
    GdipSetInterpolationMode(graphics, interpolation);
    GdipSetPixelOffsetMode(graphics, offset);
}

void GdiplusImage::Draw(Gdiplus::GpGraphics* graphics, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx,
                        int32_t sy, int32_t sw, int32_t sh, const RECT* visible) const
{
    const bool ownSize = w == sw && h == sh && sw > 0 && sh > 0;
    if (!ownSize) {
        // Scaled once per size (the window's DPI) and kept: every later
        // paint copies the kept picture instead of filtering again.
        if (const ScaledCopy* copy = ScaledCopyFor(w, h, sx, sy, sw, sh)) {
            DrawBands(graphics, copy->bands, x, y, 0, 0, w, h, visible);
            return;
        }
        if (HaveWhole())
            DrawScaled(graphics, x, y, w, h, sx, sy, sw, sh);
        return;
    }
    // Drawn in its own size, the picture comes from its bands: the decoded
    // whole and its resource bytes go (a new scale decodes them again).
    if (!m_bands.empty()) {
        m_image.Reset();
        m_bytes.Reset();
        DrawBands(graphics, m_bands, x, y, sx, sy, sw, sh, visible);
        return;
    }
    if (HaveWhole())
        GdipDrawImageRectRectI(graphics, m_image.Get(), x, y, w, h, sx, sy, sw, sh, Gdiplus::UnitPixel, nullptr,
                               nullptr, nullptr);
}
