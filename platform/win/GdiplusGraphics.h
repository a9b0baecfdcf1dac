#pragma once
// The drawing seam on Windows: the GDI+ flat interface. Pictures are decoded
// from the resources of one module; every surface is a GDI+ drawing surface
// created on the device context for one Draw; brushes, pens, paths, fonts
// and string formats are made and released inside each call.
#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/Graphics.h"
#include "platform/Threads.h"

class GdiplusGraphics : public IGraphics {
public:
    // module: the module whose resources (type 2020) hold the pictures.
    // GDI+ must be started while this is used (GdiplusSession).
    explicit GdiplusGraphics(HMODULE module) : m_module(module) {}
    // Waits for a preload that is still running.
    ~GdiplusGraphics() override;
    GdiplusGraphics(const GdiplusGraphics&) = delete;
    GdiplusGraphics& operator=(const GdiplusGraphics&) = delete;

    // Starts decoding these pictures on a thread of the thread seam, so that the
    // work overlaps the creation of the window; DecodeImage then hands out
    // the decoded picture instead of decoding it again. Call it once,
    // before the first DecodeImage.
    void Preload(std::vector<uint16_t> ids);

    std::unique_ptr<IImage> DecodeImage(uint16_t id) override;
    std::unique_ptr<ISurface> OpenSurface(DeviceContext dc) override;
    bool PaintArea(DeviceContext dc, Rect& area) override;
    bool MeasureString(const std::wstring& text, const FontSpec& font, TextAlign horizontal, TextAlign vertical,
                       float& width, float& height) override;

private:
    static uint32_t PreloadRoutine(void* self);
    void FinishPreload();

    HMODULE m_module;
    std::vector<uint16_t> m_preloadIds;
    // Filled by the preload routine; read only after it has returned.
    std::map<uint16_t, std::unique_ptr<IImage>> m_preloaded;
    std::unique_ptr<IThread> m_preload;
};
