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
#include "launcher/LoginShape.h"
#include "launcher/RunRegion.h"
#include "skin/SkinImage.h"
#include "support.h"

namespace {

class BenchApp : public App {};
BenchApp g_app;

constexpr std::array<WORD, 19> kSkins{130, 131, 132, 133, 135, 136, 137, 139, 140, 142,
                                      143, 144, 154, 155, 156, 157, 159, 160, 161};
constexpr int kRuns = 31;
constexpr int kCycles = 1000;
constexpr int kPaints = 1000;
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

struct ShapeSize {
    size_t runs;
    DWORD rectangles;
};

// The login shape as the launcher builds it: the close spot and the page rectangle painted on a
// canvas of the backdrop's size a row at a time, its alpha runs made into one region (which keeps
// them as fewer, taller rectangles).
ShapeSize BuildLoginShape(const SkinImage& backdrop, const SkinImage& closeSpot)
{
    const std::vector<AlphaRun> runs = LoginShapeRuns(backdrop.Width(), backdrop.Height(), closeSpot.Pixels(),
                                                      kCloseSpotLeft, kCloseSpotTop, kLoginPageRect);
    UniqueRegion shape = RegionFromRuns(runs, 0, 0);
    std::vector<char> data(::GetRegionData(shape.get(), 0, nullptr));
    ::GetRegionData(shape.get(), static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
    return {runs.size(), reinterpret_cast<const RGNDATA*>(data.data())->rdh.nCount};
}

void Redraw(HWND window)
{
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

} // namespace

int main()
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    ::CoInitialize(nullptr);

    std::array<SkinImage, kSkins.size()> skins;
    auto decodeAll = [&] {
        for (size_t i = 0; i < kSkins.size(); ++i)
            OnTheSpotSkins().Load(skins[i], kSkins[i]);
    };
    decodeAll(); // starts GDI+
    std::printf("decode all 19 skins            %10.1f us\n", MedianMicroseconds(kRuns, decodeAll));

    std::printf("decode the backdrop (PNG 130)  %10.1f us\n",
                MedianMicroseconds(kRuns, [&] { OnTheSpotSkins().Load(skins[0], kSkins[0]); }));

    ShapeSize shape{};
    const double shapeTime = MedianMicroseconds(kRuns, [&] { shape = BuildLoginShape(skins[0], skins[1]); });
    std::printf("build the login shape          %10.1f us  (%zu runs, a region of %lu rectangles)\n", shapeTime,
                shape.runs, static_cast<unsigned long>(shape.rectangles));

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
        ::SendMessageW(bar, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.get()), 0);
    });
    std::printf("caption bar paint, %d wide   %10.1f us\n", kWideBar, barPaint);

    auto pump = [] {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    };
    auto cycle = [&] {
        launcher.EnterGameMode();
        pump();
        launcher.ReturnToLoginMode();
        pump();
    };
    auto paintGame = [&] {
        Redraw(launcher.hwnd());
        ::SendMessageW(bar, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.get()), 0);
    };
    cycle();
    std::printf("enter game mode and return     %10.1f us\n", MedianMicroseconds(kRuns, cycle));

    // Every kind of work once more, so that whatever is made once and kept (caches of skin DCs,
    // fonts, GDI+) exists before the count; from here on it must not move.
    launcher.EnterGameMode();
    paintGame();
    launcher.ReturnToLoginMode();
    Redraw(launcher.hwnd());
    PumpMessages(200);
    const int before = CountGdiObjects();
    for (int i = 0; i < kCycles; ++i)
        cycle();
    PumpMessages(200);
    const int afterCycles = CountGdiObjects();
    launcher.EnterGameMode();
    for (int i = 0; i < kPaints; ++i)
        paintGame();
    launcher.ReturnToLoginMode();
    for (int i = 0; i < kPaints; ++i)
        Redraw(launcher.hwnd());
    PumpMessages(200);
    const int after = CountGdiObjects();
    std::printf("live GDI objects              %10d before, %d after %d mode switch cycles, %d after %d paints in "
                "each mode: %s\n",
                before, afterCycles, kCycles, after, kPaints, before == after ? "unchanged" : "CHANGED");
    return before == after ? 0 : 1;
}
