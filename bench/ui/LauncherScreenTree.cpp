#include "bench/ui/LauncherScreenTree.h"

#include <string>

#include "ui/CImage.h"
#include "ui/CImageBtn.h"

namespace {

const wchar_t kYaHei[] = L"\u5FAE\u8F6F\u96C5\u9ED1";          // 微软雅黑
const wchar_t kGameName[] = L"\u5965\u51E1\u8482\u65AF";      // the shipped configuration's name
const wchar_t kInstallCaption[] = L"\u7ACB\u5373\u5B89\u88C5";  // 立即安装
const wchar_t kStartingDownload[] = L"\u5F00\u59CB\u4E0B\u8F7D...";  // 开始下载...

template <typename T>
T* AddTo(CPane& root, T* element)
{
    element->m_parent = &root;
    root.AddChild(element);
    return element;
}

void SizeOf(const CResImage& image, int32_t& w, int32_t& h)
{
    image.GetSize(w, h);
}

}  // namespace

void StyleInstallButton(CBtn* button)
{
    CNormalBtn* b = static_cast<CNormalBtn*>(button);
    switch (b->m_state) {
    case BTN_HOVER:
        b->m_border = BorderStyle{0, 0, 0, 0, 0, -1, 0xFFFFFF, 0};
        b->m_fill = FillStyle{255, 0xFFAE00, 4};
        break;
    case BTN_PRESSED:
        b->m_border = BorderStyle{0, 0, 0, 0, 0, -1, 0xFFFFFF, 0};
        b->m_fill = FillStyle{255, 0xB37A00, 4};
        break;
    default:
        b->m_border = BorderStyle{255, 0, 0, 0, 0, 1, 0xE6E6E6, 4};
        b->m_fill = FillStyle{0, 0xFFFFFF, 0};
        break;
    }
    b->m_textStyle = TextStyle{kYaHei, 18, 0, 0xE6E6E6, 0};
}

LauncherScreenTree BuildLauncherScreenTree(WindowHandle window, int32_t clientWidth, int32_t clientHeight)
{
    LauncherScreenTree screen;
    screen.root = std::make_unique<CPane>(window);
    CPane& root = *screen.root;
    root.m_rect = Rect{0, 0, clientWidth, clientHeight};
    const int32_t cw = clientWidth;

    TextStyle nameStyle{kYaHei, 9, 0, 0xB4B4B4, 0x11};
    int32_t w = 0;
    int32_t h = 0;

    CImage* symbol = AddTo(root, new CImage(window, 204));
    SizeOf(symbol->m_image, w, h);
    symbol->m_rect = Rect{20, 16, 20 + w, 16 + h};

    CLabel* name = AddTo(root, new CLabel(window));
    name->m_text = kGameName;
    name->m_rect = Rect{38, 12, 188, 28};
    name->SetTextStyle(nameStyle);

    CImageBtn* close = AddTo(root, new CImageBtn(window, 215, 0));
    SizeOf(close->m_image, w, h);
    close->m_eraseBkgnd = true;
    close->m_rect = Rect{cw - 16 - w / 4, 8, cw - 16, h + 8};

    CImageBtn* minimise = AddTo(root, new CImageBtn(window, 226, 1));
    SizeOf(minimise->m_image, w, h);
    minimise->m_eraseBkgnd = true;
    const int32_t closeLeft = close->m_rect.left;
    minimise->m_rect = Rect{closeLeft - 2 - w / 4, 8, closeLeft - 2, h + 8};

    CImage* picture = AddTo(root, new CImage(window, 205));
    SizeOf(picture->m_image, w, h);
    picture->m_id = 3;
    const int32_t pictureLeft = (cw - w) / 2;
    picture->m_rect = Rect{pictureLeft, 40, pictureLeft + w, 40 + h};

    CNormalBtn* install = new CNormalBtn(window);
    const int32_t installLeft = (cw - 176) / 2;
    install->m_rect = Rect{installLeft, 288, installLeft + 176, 342};
    install->m_text = kInstallCaption;
    install->m_id = 2;
    install->m_eraseBkgnd = true;
    StyleInstallButton(install);
    install->m_onStateChanged = StyleInstallButton;
    screen.installButton = AddTo(root, install);

    CProgress* progress = new CProgress(window, 229, 228);
    screen.progressBar = progress;
    SizeOf(progress->m_track, w, h);
    const int32_t trackWidth = w;
    progress->m_rect = Rect{66, 328, 66 + w, 328 + h};
    progress->m_visible = false;
    AddTo(root, progress);

    CLabel* percent = new CLabel(window);
    screen.percentLabel = percent;
    percent->m_text = L"0%";
    percent->m_rect = Rect{trackWidth + 78, 322, trackWidth + 118, 338};
    percent->SetTextStyle(nameStyle);
    percent->m_visible = false;
    AddTo(root, percent);

    CLabel* status = new CLabel(window);
    screen.statusLabel = status;
    status->m_text = kStartingDownload;
    status->m_rect = Rect{66, 342, 466, 358};
    TextStyle statusStyle = nameStyle;
    statusStyle.size = 8;
    status->SetTextStyle(statusStyle);
    status->m_visible = false;
    AddTo(root, status);

    return screen;
}

void ShowDownload(LauncherScreenTree& screen, double fraction)
{
    screen.installButton->m_visible = false;
    screen.progressBar->m_visible = true;
    screen.percentLabel->m_visible = true;
    screen.statusLabel->m_visible = true;
    screen.progressBar->m_fraction = fraction;
    screen.percentLabel->m_text = std::to_wstring(static_cast<int>(fraction * 100.0)) + L"%";
}
