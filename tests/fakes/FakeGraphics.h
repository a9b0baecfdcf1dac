#pragma once
// A drawing interface for native tests: pictures are sizes registered by the
// test, and every decode, surface and drawing call is written to a log as
// one line of text, so that a test compares what an element drew with the
// lines it expects.
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Graphics.h"

class FakeGraphics : public IGraphics {
public:
    struct DrawnText {
        std::wstring text;
        FontSpec font;
        TextBox box;
        Argb colour = 0;
    };

    // Registers resource id as a picture of that size.
    void AddImage(uint16_t id, int32_t width, int32_t height) { m_images[id] = Size{width, height}; }

    std::unique_ptr<IImage> DecodeImage(uint16_t id) override
    {
        Log("decode %u", id);
        auto it = m_images.find(id);
        if (it == m_images.end())
            return nullptr;
        return std::make_unique<Image>(*this, id, it->second);
    }

    std::unique_ptr<ISurface> OpenSurface(DeviceContext dc) override
    {
        Log("open");
        lastDc = dc;
        return std::make_unique<Surface>(*this);
    }

    bool PaintArea(DeviceContext, Rect& area) override
    {
        if (!paintAreaKnown)
            return false;
        area = paintArea;
        return true;
    }

    bool MeasureString(const std::wstring& text, const FontSpec& font, TextAlign horizontal, TextAlign vertical,
                       float& width, float& height) override
    {
        measured.push_back(DrawnText{text, font, TextBox{0, 0, 0, 0, horizontal, vertical}, 0});
        Log("measure");
        if (!fontAvailable)
            return false;
        width = measureWidth;
        height = measureHeight;
        return true;
    }

    // What PaintArea answers: by default that it cannot tell.
    bool paintAreaKnown = false;
    Rect paintArea;

    // What MeasureString answers.
    bool fontAvailable = true;
    float measureWidth = 0.0f;
    float measureHeight = 0.0f;

    std::vector<std::string> log;
    std::vector<DrawnText> texts;     // every DrawString, in order
    std::vector<DrawnText> measured;  // every MeasureString, in order
    DeviceContext lastDc = nullptr;

    // The log lines that draw something (no decode, open or close lines).
    std::vector<std::string> Drawing() const
    {
        std::vector<std::string> lines;
        for (const std::string& line : log) {
            if (line.compare(0, 6, "decode") != 0 && line != "open" && line != "close" && line.compare(0, 4, "free") != 0)
                lines.push_back(line);
        }
        return lines;
    }

    template <typename... Args>
    void Log(const char* format, Args... args)
    {
        char buffer[256];
        std::snprintf(buffer, sizeof buffer, format, args...);
        log.emplace_back(buffer);
    }

private:
    struct Size {
        int32_t width;
        int32_t height;
    };

    class Image : public IImage {
    public:
        Image(FakeGraphics& owner, uint16_t id, Size size) : m_owner(owner), m_id(id), m_size(size) {}
        ~Image() override { m_owner.Log("free %u", m_id); }
        void GetSize(int32_t& width, int32_t& height) const override
        {
            width = m_size.width;
            height = m_size.height;
        }
        // Opaque everywhere: the fake has no pixels of its own.
        bool ReadPixels(const std::function<void(const uint32_t*, int32_t)>& reader) const override
        {
            std::vector<uint32_t> pixels(static_cast<size_t>(m_size.width) * static_cast<size_t>(m_size.height),
                                         0xFF000000u);
            reader(pixels.data(), m_size.width);
            return true;
        }
        unsigned Id() const { return m_id; }

    private:
        FakeGraphics& m_owner;
        uint16_t m_id;
        Size m_size;
    };

    class Surface : public ISurface {
    public:
        explicit Surface(FakeGraphics& owner) : m_owner(owner) {}
        ~Surface() override { m_owner.Log("close"); }

        void DrawImage(const IImage& image, int32_t x, int32_t y, int32_t w, int32_t h) override
        {
            m_owner.Log("image %u at %d,%d size %d,%d", Id(image), x, y, w, h);
        }
        void DrawImagePart(const IImage& image, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
                           int32_t sw, int32_t sh) override
        {
            m_owner.Log("image %u at %d,%d size %d,%d from %d,%d size %d,%d", Id(image), x, y, w, h, sx, sy, sw, sh);
        }
        void FillRectangle(Argb colour, int32_t x, int32_t y, int32_t w, int32_t h) override
        {
            m_owner.Log("fill %08X rect %d,%d,%d,%d", colour, x, y, w, h);
        }
        void DrawRectangle(const PenSpec& pen, int32_t x, int32_t y, int32_t w, int32_t h) override
        {
            m_owner.Log("outline %08X/%g rect %d,%d,%d,%d", pen.colour, pen.width, x, y, w, h);
        }
        void FillRoundedRectangle(Argb colour, int32_t x, int32_t y, int32_t w, int32_t h, int32_t rx,
                                  int32_t ry) override
        {
            m_owner.Log("fill %08X rounded %d,%d,%d,%d r %d,%d", colour, x, y, w, h, rx, ry);
        }
        void DrawRoundedRectangle(const PenSpec& pen, int32_t x, int32_t y, int32_t w, int32_t h, int32_t rx,
                                  int32_t ry) override
        {
            m_owner.Log("outline %08X/%g rounded %d,%d,%d,%d r %d,%d", pen.colour, pen.width, x, y, w, h, rx, ry);
        }
        void DrawLines(const PenSpec& pen, const std::vector<Line>& lines) override
        {
            for (const Line& l : lines)
                m_owner.Log("line %08X/%g %d,%d-%d,%d", pen.colour, pen.width, l.x1, l.y1, l.x2, l.y2);
        }
        void DrawString(const std::wstring& text, const FontSpec& font, const TextBox& box, Argb colour) override
        {
            m_owner.texts.push_back(DrawnText{text, font, box, colour});
            m_owner.Log("text %08X box %g,%g,%g,%g", colour, box.x, box.y, box.width, box.height);
        }

    private:
        static unsigned Id(const IImage& image) { return static_cast<const Image&>(image).Id(); }
        FakeGraphics& m_owner;
    };

    std::map<uint16_t, Size> m_images;
};
