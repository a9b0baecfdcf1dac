// The launcher's benchmark, run under Wine (see run_app_bench.sh). Prints,
// side by side:
//   1. start-up to first paint of launcher.exe against a bare window
//      program: from CreateProcessW to the moment the window's pixels on the
//      screen show its painted content, both programs alternating;
//   2. the time CreateRegionFromImage takes for image 220, against the plain
//      per-pixel method, and whether both give the same region;
//   3. the peak working set of a launcher during a whole download (its
//      install button clicked by posted mouse messages) against that of the
//      bare window program;
//   4. the size of launcher.exe.
//
//   app_bench.exe <launcher.exe> <bare_window.exe> <launcher_bench.exe> [runs]
//
// launcher_bench.exe is the launcher built with a download address on the
// run script's loopback package server.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/ScreenLayout.h"
#include "app/WindowShape.h"
#include "bench/app/BenchClock.h"
#include "bench/app/ChildProgram.h"
#include "bench/app/FirstPaintProbe.h"
#include "bench/app/PerPixelRegion.h"
#include "bench/app/ResourceImage.h"
#include "platform/win/GdiplusGraphics.h"
#include "platform/win/GdiplusSession.h"
#include "app/win/WindowRegion.h"
#include "ui/CResImage.h"
#include "ui/UiPlatform.h"

using namespace Gdiplus::DllExports;

namespace {

constexpr int kRegionRuns = 200;
constexpr DWORD kStartTimeoutMs = 60000;
constexpr DWORD kRoadTimeoutMs = 180000;
constexpr DWORD kProbeCheckDelayMs = 300;

constexpr double kStartupTarget = 1.25;
constexpr double kStartupGdiplusTarget = 1.05;
constexpr double kPeakTarget = 1.65;
// "No growth over the road": the working set in the road's second half
// stays within this share of the largest in its first half (the download
// takes most of the first half; a leak per chunk would show).
constexpr double kGrowthTolerance = 0.02;
constexpr double kRegionTargetMs = 1.0;
constexpr double kSizeTargetKb = 400.0;  // with the skin at 100 % and 200 %

// Where both programs are probed: a spot of plain background inside the
// launcher's shape (client coordinates), and the bare program's colour.
constexpr POINT kProbePoint = {8, 300};
constexpr COLORREF kBareColour = RGB(46, 139, 87);
constexpr POINT kInstallButton = {315, 315};
constexpr int32_t kClientWidth = 630;
constexpr int32_t kBannerTop = 40;

const wchar_t kLauncherClass[] = L"QUILLMEREX";
const wchar_t kLauncherCaption[] = L"\u5965\u51E1\u8482\u65AF";  // the shipped "k_name"
const wchar_t kBareClass[] = L"QMXBAREWINDOW";
const wchar_t kBareCaption[] = L"bare window";
const wchar_t kGameClass[] = L"OrvantisDemoGame";

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

double Kb(SIZE_T bytes)
{
    return static_cast<double>(bytes) / 1024.0;
}

std::string Format(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// a / b to two places, or "-" when b is not a figure.
std::string Ratio(double a, double b)
{
    return b > 0.0 ? Format("%.2f", a / b) : "-";
}

void Row(const std::string& measure, const std::string& launcher, const std::string& yardstick,
         const std::string& ratio, const std::string& target, const std::string& verdict)
{
    std::printf("%-40s %-14s %-22s %-9s %-10s %s\n", measure.c_str(), launcher.c_str(), yardstick.c_str(),
                ratio.c_str(), target.c_str(), verdict.c_str());
}

// A colour as #RRGGBB.
std::string Hex(COLORREF colour)
{
    if (colour == CLR_INVALID)
        return "(none)";
    char text[16];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

const char* Verdict(bool met)
{
    return met ? "met" : "NOT met";
}

// One start of a program up to its first paint.
struct StartRun {
    bool ok = false;
    double ms = 0.0;
    double windowMs = 0.0;      // when its window was found, before the paint
    SIZE_T peak = 0;            // peak working set at first paint
    COLORREF beforePaint = CLR_INVALID;
    bool bannerShown = false;   // launcher only: the banner was on screen too
};

// Starts a program, waits for its first paint, then closes it and waits
// until its window has left the screen.
StartRun StartOnce(const std::wstring& path, const std::wstring& arguments, FirstPaintProbe& probe,
                   const POINT* bannerPoint = nullptr, COLORREF bannerColour = 0)
{
    StartRun run;
    ChildProgram program(path, arguments);
    if (!program.Started())
        return run;
    double paintedAt = 0.0;
    HWND window = probe.Wait(program.Id(), program.Process(), kStartTimeoutMs, paintedAt);
    run.beforePaint = probe.FirstRead();
    if (window != nullptr) {
        run.ok = true;
        run.ms = paintedAt - program.StartedAtMs();
        run.windowMs = probe.FoundAtMs() - program.StartedAtMs();
        if (bannerPoint != nullptr) {
            POINT p = *bannerPoint;
            ClientToScreen(window, &p);
            run.bannerShown = probe.Shows(p, bannerColour);
        }
        run.peak = program.PeakWorkingSet();
    }
    program.Close(window, 10000);
    probe.WaitUntilGone(5000);
    return run;
}

void DeleteLeftInstaller()
{
    wchar_t temp[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH + 1, temp) == 0)
        return;
    for (const wchar_t* name : {L"yrfoinstall.tmp", L"yrfoinstall.exe"})
        DeleteFileW((std::wstring(temp) + name).c_str());
}

struct RoadRun {
    bool ok = false;
    SIZE_T idlePeak = 0;   // at first paint, before the click
    SIZE_T peak = 0;       // until the launcher ended
    DWORD exitCode = STILL_ACTIVE;
    double seconds = 0.0;  // from the click to the launcher's end
    bool gameStarted = false;
    int samples = 0;
    // The largest working set (not the peak counter) in the first and the
    // second half of the time from the click to the end.
    SIZE_T firstHalf = 0;
    SIZE_T secondHalf = 0;
};

// The whole road of a launcher: first paint, a click on the install button,
// download, installer, game start; the peak working set sampled throughout.
RoadRun RunRoad(const std::wstring& path, FirstPaintProbe& probe)
{
    RoadRun road;
    DeleteLeftInstaller();
    ChildProgram launcher(path, L"");
    if (!launcher.Started())
        return road;
    double paintedAt = 0.0;
    HWND window = probe.Wait(launcher.Id(), launcher.Process(), kStartTimeoutMs, paintedAt);
    if (window == nullptr)
        return road;
    road.idlePeak = launcher.PeakWorkingSet();
    road.peak = road.idlePeak;
    const LPARAM at = MAKELPARAM(kInstallButton.x, kInstallButton.y);
    const double clicked = NowMs();
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(window, WM_LBUTTONUP, 0, at);
    const double deadline = clicked + kRoadTimeoutMs;
    std::vector<std::pair<double, SIZE_T>> sets;
    while (NowMs() < deadline) {
        road.peak = std::max(road.peak, launcher.PeakWorkingSet());
        const SIZE_T now = launcher.WorkingSet();
        if (now != 0)
            sets.emplace_back(NowMs(), now);
        ++road.samples;
        if (launcher.WaitForExit(5))
            break;
    }
    road.seconds = (NowMs() - clicked) / 1000.0;
    const double middle = clicked + road.seconds * 500.0;
    for (const auto& [at, size] : sets) {
        SIZE_T& half = at < middle ? road.firstHalf : road.secondHalf;
        half = std::max(half, size);
    }
    road.exitCode = launcher.ExitCode();
    if (road.exitCode == STILL_ACTIVE) {
        launcher.Close(window, 5000);
        return road;
    }
    // The launcher started the demo game as it ended: close the game.
    const double gameDeadline = NowMs() + 10000;
    while (NowMs() < gameDeadline) {
        HWND game = FindWindowW(kGameClass, nullptr);
        if (game != nullptr) {
            road.gameStarted = true;
            PostMessageW(game, WM_CLOSE, 0, 0);
            break;
        }
        Sleep(10);
    }
    road.ok = road.exitCode == 0 && road.gameStarted;
    return road;
}

struct RegionFigures {
    bool ok = false;
    double fastMs = 0.0;      // CreateRegionFromImage, median
    double fastBestMs = 0.0;
    double decodeMs = 0.0;    // of which: decoding the PNG resource
    double readMs = 0.0;      //           reading its pixels as 32-bit ARGB
    double buildMs = 0.0;     //           row runs and the region from them
    double perPixelMs = 0.0;
    int perPixelRuns = 0;
    bool equal = false;       // per-pixel and CreateRegionFromImage agree
    DWORD rectangles = 0;
};

template <typename F>
double MedianMs(int runs, F step)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = NowMs();
        step();
        times.push_back(NowMs() - start);
    }
    return Median(times);
}

DWORD RectangleCount(HRGN region)
{
    const DWORD size = GetRegionData(region, 0, nullptr);
    if (size < sizeof(RGNDATAHEADER))
        return 0;
    std::vector<char> data(size);
    auto* header = reinterpret_cast<RGNDATA*>(data.data());
    return GetRegionData(region, size, header) != 0 ? header->rdh.nCount : 0;
}

RegionFigures MeasureRegion()
{
    RegionFigures figures;
    HINSTANCE self = GetModuleHandleW(nullptr);
    // The launcher cuts its region from the background picture it has
    // decoded for painting; decoding is measured apart, as a step of
    // loading the picture.
    GdiplusGraphics graphics(self);
    SetUiPlatform(&graphics, nullptr);
    figures.decodeMs = MedianMs(kRegionRuns, [&] {
        CResImage decoded;
        decoded.LoadFromResource(kImageBackground);
    });
    CResImage background;
    background.LoadFromResource(kImageBackground);
    ScopedRegion fast = CreateRegionFromImage(background);
    if (!fast) {
        SetUiPlatform(nullptr, nullptr);
        return figures;
    }
    std::vector<double> times;
    for (int i = 0; i < kRegionRuns; ++i) {
        const double start = NowMs();
        ScopedRegion region = CreateRegionFromImage(background);
        times.push_back(NowMs() - start);
    }
    figures.fastMs = Median(times);
    figures.fastBestMs = *std::min_element(times.begin(), times.end());
    figures.rectangles = RectangleCount(fast.Get());

    // Where the time goes: reading the pixels, and the row runs with the
    // region, each on its own.
    int32_t width = 0;
    int32_t height = 0;
    background.GetSize(width, height);
    std::vector<Rect> runs;
    figures.readMs = MedianMs(kRegionRuns, [&] {
        background.ReadPixels([&](const uint32_t* pixels, int32_t stride) {
            runs = OpaqueRuns(pixels, width, height, stride);
        });
    });
    figures.buildMs = MedianMs(kRegionRuns, [&] { CreateRegionFromRuns(runs, width, height); });
    SetUiPlatform(nullptr, nullptr);

    // The per-pixel method takes long: run it once, and twice more if the
    // first run took under 5 s.
    std::vector<double> slow;
    ScopedRegion reference;
    for (int i = 0; i < 3; ++i) {
        const double start = NowMs();
        HRGN region = CreatePerPixelRegion(self, kImageBackground);
        slow.push_back(NowMs() - start);
        if (region == nullptr)
            return figures;
        reference.Reset(region);
        if (slow.front() > 5000.0)
            break;
    }
    figures.perPixelMs = Median(slow);
    figures.perPixelRuns = static_cast<int>(slow.size());
    figures.equal = EqualRgn(fast.Get(), reference.Get()) != FALSE;
    figures.ok = true;
    return figures;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: app_bench.exe <launcher.exe> <bare_window.exe> <launcher_bench.exe> [runs "
                             "[<earlier launcher.exe> <earlier launcher_bench.exe>]]\n");
        return 2;
    }
    const std::wstring launcherPath = argv[1];
    const std::wstring barePath = argv[2];
    const std::wstring roadPath = argv[3];
    const int runs = argc >= 5 ? std::max(1, _wtoi(argv[4])) : 15;
    // An earlier build of the launcher, run beside this one.
    const std::wstring earlierPath = argc >= 7 ? argv[5] : L"";
    const std::wstring earlierRoadPath = argc >= 7 ? argv[6] : L"";
    const bool withEarlier = !earlierPath.empty();
    setvbuf(stdout, nullptr, _IONBF, 0);

    GdiplusSession gdiplus;
    if (!gdiplus.Started()) {
        std::fprintf(stderr, "GDI+ did not start\n");
        return 1;
    }
    // What the launcher's first paint shows: the background at the probe
    // point, and the banner picture (an element) at its centre.
    const ResourceImage background(GetModuleHandleW(nullptr), kImageBackground);
    const ResourceImage banner(GetModuleHandleW(nullptr), kImageBanner);
    COLORREF launcherColour = 0;
    COLORREF bannerColour = 0;
    if (!background.OpaquePixel(kProbePoint.x, kProbePoint.y, launcherColour) ||
        !banner.OpaquePixel(banner.Width() / 2, banner.Height() / 2, bannerColour)) {
        std::fprintf(stderr, "the skin images 220 and 205 are missing or not opaque at the probe points\n");
        return 1;
    }
    const POINT bannerPoint = {(kClientWidth - banner.Width()) / 2 + banner.Width() / 2, kBannerTop + banner.Height() / 2};
    FirstPaintProbe launcherProbe(kLauncherClass, kLauncherCaption, kProbePoint, launcherColour);
    FirstPaintProbe bareProbe(kBareClass, kBareCaption, kProbePoint, kBareColour);
    int failures = 0;

    // 1. Start-up to first paint, the programs alternating, after one
    // warm-up start of each (the first start of a program fills Wine's and
    // the system's caches). The bare window that starts GDI+ tells how much
    // of the difference loading GDI+ makes.
    std::printf("== start-up to first paint: %d runs of each program, alternating, after one warm-up run of each\n",
                runs);
    const bool warmedUp = StartOnce(launcherPath, L"", launcherProbe).ok && StartOnce(barePath, L"", bareProbe).ok &&
                          StartOnce(barePath, L"--gdiplus", bareProbe).ok &&
                          (!withEarlier || StartOnce(earlierPath, L"", launcherProbe).ok);
    if (!warmedUp) {
        std::printf("  the warm-up runs did not paint within %lu s (no display, or a program missing?)\n",
                    kStartTimeoutMs / 1000);
        ++failures;
    }
    std::vector<double> launcherMs;
    std::vector<double> bareMs;
    std::vector<double> gdiplusMs;
    std::vector<double> launcherWindowMs;
    std::vector<double> bareWindowMs;
    std::vector<double> launcherPeaks;
    std::vector<double> earlierMs;
    std::vector<double> earlierPeaks;
    std::vector<double> barePeaks;
    int bannerShown = 0;
    COLORREF launcherBefore = CLR_INVALID;
    std::printf("  run   launcher ms   bare window ms   bare window + GDI+ ms%s\n",
                withEarlier ? "   earlier launcher ms" : "");
    for (int i = 0; warmedUp && i < runs; ++i) {
        StartRun l = StartOnce(launcherPath, L"", launcherProbe, &bannerPoint, bannerColour);
        StartRun b = StartOnce(barePath, L"", bareProbe);
        StartRun g = StartOnce(barePath, L"--gdiplus", bareProbe);
        StartRun e;
        e.ok = true;
        if (withEarlier) {
            e = StartOnce(earlierPath, L"", launcherProbe);
            std::printf("  %3d   %11.1f   %14.1f   %21.1f   %19.1f\n", i + 1, l.ms, b.ms, g.ms, e.ms);
        } else {
            std::printf("  %3d   %11.1f   %14.1f   %21.1f\n", i + 1, l.ms, b.ms, g.ms);
        }
        if (!l.ok || !b.ok || !g.ok || !e.ok) {
            std::printf("  run %d: a program did not paint within %lu s\n", i + 1, kStartTimeoutMs / 1000);
            ++failures;
            continue;
        }
        launcherMs.push_back(l.ms);
        bareMs.push_back(b.ms);
        gdiplusMs.push_back(g.ms);
        launcherWindowMs.push_back(l.windowMs);
        bareWindowMs.push_back(b.windowMs);
        launcherPeaks.push_back(Kb(l.peak));
        barePeaks.push_back(Kb(b.peak));
        if (withEarlier) {
            earlierMs.push_back(e.ms);
            earlierPeaks.push_back(Kb(e.peak));
        }
        bannerShown += l.bannerShown ? 1 : 0;
        launcherBefore = l.beforePaint;
    }

    // The probe must see the paint, not the window: a bare window that
    // paints kProbeCheckDelayMs late must measure that much later.
    std::vector<double> delayed;
    COLORREF bareBefore = CLR_INVALID;
    for (int i = 0; warmedUp && i < 3; ++i) {
        StartRun d = StartOnce(barePath, L"--paint-delay " + std::to_wstring(kProbeCheckDelayMs), bareProbe);
        if (d.ok) {
            delayed.push_back(d.ms);
            bareBefore = d.beforePaint;
        }
    }
    const double bareMedian = Median(bareMs);
    const double launcherMedian = Median(launcherMs);
    const double delayGain = Median(delayed) - bareMedian;
    std::printf("  probe check: the bare window painting %lu ms late measured %+.1f ms later (median of %u); "
                "the probe read %s there before that paint, %s at it\n",
                kProbeCheckDelayMs, delayGain, static_cast<unsigned>(delayed.size()), Hex(bareBefore).c_str(),
                Hex(kBareColour).c_str());
    std::printf("  launcher: the probe read %s before its first paint, %s at it; the banner (an element) was on "
                "the screen at that same moment in %d of %u runs\n",
                Hex(launcherBefore).c_str(), Hex(launcherColour).c_str(), bannerShown,
                static_cast<unsigned>(launcherMs.size()));
    if (delayed.empty() || delayGain < kProbeCheckDelayMs * 0.8) {
        std::printf("  probe check FAILED: the probe does not see the paint\n");
        ++failures;
    }

    // 2. The window region.
    std::printf("== window region from image 220 (%d runs of CreateRegionFromImage)\n", kRegionRuns);
    const RegionFigures region = MeasureRegion();
    if (!region.ok) {
        std::printf("  image 220 could not be made into a region\n");
        ++failures;
    } else {
        std::printf("  CreateRegionFromImage (from the decoded background): median %.3f ms, fastest %.3f ms; its "
                    "steps alone (medians): reading the pixels into row runs %.3f ms, the region from the runs %.3f ms; decoding the "
                    "background for painting, done once anyway: %.3f ms\n",
                    region.fastMs, region.fastBestMs, region.readMs, region.buildMs, region.decodeMs);
        std::printf("  %lu rectangles; the per-pixel method ran %d time(s); same region as the per-pixel method "
                    "(EqualRgn): %s\n",
                    region.rectangles, region.perPixelRuns, region.equal ? "yes" : "NO");
        if (!region.equal)
            ++failures;
    }

    // 3. Peak working set during a download.
    std::printf("== peak working set: the launcher's whole road (download, installer, game start)\n");
    const RoadRun road = RunRoad(roadPath, launcherProbe);
    std::printf("  peak working set %.0f KB at first paint, %.0f KB at the end; click to exit %.1f s, exit code %lu, "
                "game started: %s; %d samples\n",
                Kb(road.idlePeak), Kb(road.peak), road.seconds, road.exitCode, road.gameStarted ? "yes" : "no",
                road.samples);
    if (!road.ok) {
        std::printf("  the road did not complete\n");
        ++failures;
    }
    RoadRun earlierRoad;
    if (withEarlier) {
        earlierRoad = RunRoad(earlierRoadPath, launcherProbe);
        std::printf("  earlier launcher: peak working set %.0f KB at first paint, %.0f KB at the end; click to exit "
                    "%.1f s, exit code %lu, game started: %s\n",
                    Kb(earlierRoad.idlePeak), Kb(earlierRoad.peak), earlierRoad.seconds, earlierRoad.exitCode,
                    earlierRoad.gameStarted ? "yes" : "no");
    }

    // 4. Size.
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    const bool sized = GetFileAttributesExW(launcherPath.c_str(), GetFileExInfoStandard, &attributes) != FALSE;
    const double sizeBytes = sized ? static_cast<double>(attributes.nFileSizeLow) : 0.0;
    if (!sized)
        ++failures;

    const double barePeak = Median(barePeaks);
    const double launcherIdlePeak = Median(launcherPeaks);
    const double roadPeak = Kb(road.peak);
    std::printf("\n");
    Row("measure", "launcher", "yardstick", "ratio", "target", "");
    Row("start-up to first paint, median", Format("%.1f ms", launcherMedian),
        Format("%.1f ms bare window", bareMedian), Ratio(launcherMedian, bareMedian), "<= 1.25",
        Verdict(!launcherMs.empty() && launcherMedian <= kStartupTarget * bareMedian));
    Row("  window found (FindWindowW), median", Format("%.1f ms", Median(launcherWindowMs)),
        Format("%.1f ms bare window", Median(bareWindowMs)), "", "", "");
    Row("  bare window that starts GDI+, median", Format("%.1f ms", Median(gdiplusMs)),
        Format("%.1f ms bare window", bareMedian), Ratio(Median(gdiplusMs), bareMedian), "", "");
    Row("start-up against the bare window + GDI+", Format("%.1f ms", launcherMedian),
        Format("%.1f ms bare + GDI+", Median(gdiplusMs)), Ratio(launcherMedian, Median(gdiplusMs)), "<= 1.05",
        Verdict(!launcherMs.empty() && launcherMedian <= kStartupGdiplusTarget * Median(gdiplusMs)));
    if (withEarlier) {
        Row("  earlier launcher, median", Format("%.1f ms", Median(earlierMs)),
            Format("%.1f ms bare window", bareMedian), Ratio(Median(earlierMs), bareMedian), "", "");
        Row("  earlier launcher against bare + GDI+", Format("%.1f ms", Median(earlierMs)),
            Format("%.1f ms bare + GDI+", Median(gdiplusMs)), Ratio(Median(earlierMs), Median(gdiplusMs)), "", "");
    }
    Row("window region from image 220, median", Format("%.3f ms", region.fastMs),
        Format("%.0f ms per-pixel", region.perPixelMs),
        region.perPixelMs > 0 ? Format("%.4f", region.fastMs / region.perPixelMs) : "-", "<= 1 ms",
        Verdict(region.ok && region.equal && region.fastMs <= kRegionTargetMs));
    Row("  its region from the row runs, median", Format("%.3f ms", region.buildMs), "", "", "", "");
    Row("peak working set, whole download road", Format("%.0f KB", roadPeak),
        Format("%.0f KB bare window", barePeak), Ratio(roadPeak, barePeak), "<= 1.65",
        road.ok ? Verdict(roadPeak <= kPeakTarget * barePeak) : "(road failed)");
    Row("  working set, road's 2nd half / 1st half", Format("%.0f KB", Kb(road.secondHalf)),
        Format("%.0f KB first half", Kb(road.firstHalf)), Ratio(Kb(road.secondHalf), Kb(road.firstHalf)),
        "no growth", road.ok ? Verdict(road.secondHalf <= (1.0 + kGrowthTolerance) * road.firstHalf) : "(road failed)");
    if (withEarlier)
        Row("  earlier launcher, whole road", Format("%.0f KB", Kb(earlierRoad.peak)),
            Format("%.0f KB bare window", barePeak), Ratio(Kb(earlierRoad.peak), barePeak), "",
            earlierRoad.ok ? "" : "(road failed)");
    if (withEarlier)
        Row("  earlier launcher, 2nd half / 1st half", Format("%.0f KB", Kb(earlierRoad.secondHalf)),
            Format("%.0f KB first half", Kb(earlierRoad.firstHalf)),
            Ratio(Kb(earlierRoad.secondHalf), Kb(earlierRoad.firstHalf)), "", earlierRoad.ok ? "" : "(road failed)");
    Row("peak working set at first paint, median", Format("%.0f KB", launcherIdlePeak),
        Format("%.0f KB bare window", barePeak), Ratio(launcherIdlePeak, barePeak),
        "-", "");
    if (withEarlier)
        Row("  earlier launcher at first paint, median", Format("%.0f KB", Median(earlierPeaks)),
            Format("%.0f KB bare window", barePeak), Ratio(Median(earlierPeaks), barePeak), "", "");
    Row("size of launcher.exe", Format("%.0f bytes", sizeBytes), Format("= %.1f KB", sizeBytes / 1024.0), "",
        "<= 400 KB", Verdict(sized && sizeBytes / 1024.0 <= kSizeTargetKb));
    return failures == 0 ? 0 : 1;
}
