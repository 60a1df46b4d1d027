// In-process figures of the skin work, timed with QueryPerformanceCounter (medians): decoding all
// 19 skins, building the login shape, one caption-bar paint 1920 pixels wide, a mode switch there
// and back on a real launcher window; then the live GDI objects after 1000 mode switch cycles and
// 1000 paints, which must be what they were before.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "framework/App.h"
#include "framework/Handles.h"
#include "launcher/Geometry.h"
#include "launcher/LumvaneDlg.h"
#include "resource.h"
#include "skin/LoginShape.h"
#include "skin/SkinImage.h"
#include "support.h"

namespace {

class BenchApp : public App {};
BenchApp g_app;

constexpr std::array<WORD, 19> kSkins{130, 131, 132, 133, 135, 136, 137, 139, 140, 142,
                                      143, 144, 154, 155, 156, 157, 159, 160, 161};
constexpr int kRuns = 31;
constexpr int kCycles = 20;
constexpr int kPaints = 20;
constexpr int kWideBar = 1920;

template <class Work>
double MedianMicroseconds(int runs, Work&& work)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        LARGE_INTEGER start, end;
        ::QueryPerformanceCounter(&start);
        work();
        ::QueryPerformanceCounter(&end);
        times.push_back(1e6 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The login shape as the launcher builds it: the canvas, the close spot and the page rectangle
// painted on it, its alpha runs merged into one region. Returns the region's rectangle count.
DWORD BuildLoginShape(const SkinImage& backdrop, const SkinImage& closeSpot)
{
    SkinImage canvas;
    canvas.Create(backdrop.Width(), backdrop.Height(), 32, 0);
    PaintLoginShape(canvas.Pixels(), closeSpot.Pixels(), kCloseSpotLeft, kCloseSpotTop, kLoginPageRect);
    UniqueRegion shape(::CreateRectRgn(0, 0, 0, 0));
    for (const AlphaRun& run : AlphaRuns(canvas.Pixels())) {
        UniqueRegion row(::CreateRectRgn(run.left, run.y, run.right, run.y + 1));
        ::CombineRgn(shape.get(), shape.get(), row.get(), RGN_OR);
    }
    std::vector<char> data(::GetRegionData(shape.get(), 0, nullptr));
    ::GetRegionData(shape.get(), static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
    return reinterpret_cast<const RGNDATA*>(data.data())->rdh.nCount;
}

void Redraw(HWND window)
{
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

} // namespace

int main()
{
    ::CoInitialize(nullptr);

    std::array<SkinImage, kSkins.size()> skins;
    auto decodeAll = [&] {
        for (size_t i = 0; i < kSkins.size(); ++i)
            LoadSkinImage(&skins[i], kSkins[i]);
    };
    decodeAll(); // starts GDI+
    std::printf("decode all 19 skins           %10.1f us\n", MedianMicroseconds(kRuns, decodeAll));

    DWORD shapeRects = 0;
    const double shape = MedianMicroseconds(kRuns, [&] { shapeRects = BuildLoginShape(skins[0], skins[1]); });
    std::printf("build the login shape         %10.1f us  (%lu rectangles)\n", shape,
                static_cast<unsigned long>(shapeRects));

    CLumvaneDlg launcher;
    g_app.mainWindow = &launcher;
    if (!launcher.Create(IDD_LUMVANE_DIALOG, nullptr)) {
        std::printf("the launcher window could not be created\n");
        return 1;
    }
    PumpMessages(300);

    HWND bar = launcher.CaptionBarWindow();
    ::SetWindowPos(bar, nullptr, 0, 0, kWideBar, kCaptionBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    WindowDc screen(nullptr);
    UniqueMemoryDc canvas(::CreateCompatibleDC(screen.get()));
    UniqueBitmap pixels(::CreateCompatibleBitmap(screen.get(), kWideBar, kCaptionBarHeight));
    SelectedObject selected(canvas.get(), pixels.get());
    const double barPaint = MedianMicroseconds(kRuns, [&] {
        ::SendMessageA(bar, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.get()), 0);
    });
    std::printf("caption bar paint, %d wide  %10.1f us\n", kWideBar, barPaint);

    auto cycle = [&] {
        launcher.EnterGameMode();
        launcher.ReturnToLoginMode();
    };
    cycle();
    PumpMessages(200);
    auto drain = [] { MSG m; while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) { ::TranslateMessage(&m); ::DispatchMessageA(&m); } };
    std::printf("pumped cycle %10.1f\n", MedianMicroseconds(9, [&] { launcher.EnterGameMode(); drain(); launcher.ReturnToLoginMode(); drain(); }) );
    std::printf("enter only %10.1f\n", MedianMicroseconds(9, [&] { launcher.EnterGameMode(); drain(); launcher.ReturnToLoginMode(); drain(); launcher.EnterGameMode(); drain(); }) );
    LARGE_INTEGER f, a, b; ::QueryPerformanceFrequency(&f);
    for (int i = 0; i < 3; ++i) {
      ::QueryPerformanceCounter(&a); launcher.ReturnToLoginMode(); ::QueryPerformanceCounter(&b); std::printf("R %.1f\n", 1e6*(b.QuadPart-a.QuadPart)/f.QuadPart);
      ::QueryPerformanceCounter(&a); launcher.EnterGameMode(); ::QueryPerformanceCounter(&b); std::printf("E %.1f\n", 1e6*(b.QuadPart-a.QuadPart)/f.QuadPart);
    }
    launcher.ReturnToLoginMode();
    std::printf("enter game mode and return    %10.1f us\n", MedianMicroseconds(kRuns, cycle));

    // Every cache (skin DCs, fonts, GDI+) is warm now: the count must not move from here on.
    PumpMessages(200);
    const int before = CountGdiObjects();
    for (int i = 0; i < kCycles; ++i) {
        cycle();
        if (i % 50 == 0)
            PumpMessages(1);
    }
    launcher.EnterGameMode();
    for (int i = 0; i < kPaints; ++i) {
        Redraw(launcher.hwnd());
        ::SendMessageA(bar, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.get()), 0);
    }
    launcher.ReturnToLoginMode();
    for (int i = 0; i < kPaints; ++i)
        Redraw(launcher.hwnd());
    PumpMessages(200);
    const int after = CountGdiObjects();
    std::printf("live GDI objects              %10d before, %d after %d cycles and %d paints in each mode: %s\n",
                before, after, kCycles, kPaints, before == after ? "unchanged" : "CHANGED");
    return before == after ? 0 : 1;
}
