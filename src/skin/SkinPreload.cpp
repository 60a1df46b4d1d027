#include "skin/SkinPreload.h"

#include <objbase.h>

#include "app/StartupMarks.h"

namespace {

SkinPreload* g_active = nullptr;

} // namespace

SkinPreload::~SkinPreload()
{
    {
        std::lock_guard<std::mutex> locked(lock_);
        cancelled_ = true;
    }
    Continue();
    if (worker_.joinable())
        worker_.join();
    if (g_active == this)
        g_active = nullptr;
}

void SkinPreload::Start(std::span<const WORD> firstFrame, std::span<const WORD> later) noexcept
{
    if (worker_.joinable())
        return;
    for (WORD id : firstFrame)
        entries_.emplace_back(id, false);
    for (WORD id : later)
        entries_.emplace_back(id, true);
    try {
        worker_ = std::thread(&SkinPreload::Run, this, firstFrame.size());
    } catch (const std::system_error&) {
        entries_.clear(); // no worker: every image is decoded when it is loaded
        return;
    }
    g_active = this;
}

// The worker: WIC needs COM on this thread; the bitmaps it makes belong to the process.
void SkinPreload::Run(std::size_t firstFrameCount) noexcept
{
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::size_t done = 0;
    for (Entry& entry : entries_) {
        if (done++ == firstFrameCount) {
            StartSkinDrawing();
            STARTUP_MARK("gdiplus_started");
            std::unique_lock<std::mutex> locked(lock_);
            continued_.wait(locked, [this] { return continue_; });
            if (cancelled_)
                break;
        }
        Publish(entry, DecodeSkinResource(entry.image, entry.id));
    }
    if (SUCCEEDED(com))
        ::CoUninitialize();
}

void SkinPreload::Publish(Entry& entry, bool found) noexcept
{
    {
        std::lock_guard<std::mutex> locked(lock_);
        entry.found = found;
        entry.decoded = true;
    }
    decoded_.notify_all();
}

void SkinPreload::Continue() noexcept
{
    {
        std::lock_guard<std::mutex> locked(lock_);
        continue_ = true;
    }
    continued_.notify_all();
}

std::optional<bool> SkinPreload::TakeActive(WORD id, SkinImage& image) noexcept
{
    return g_active ? g_active->Take(id, image) : std::nullopt;
}

std::optional<bool> SkinPreload::Take(WORD id, SkinImage& image) noexcept
{
    for (Entry& entry : entries_) {
        if (entry.id != id || entry.taken)
            continue;
        if (entry.later)
            Continue();
        std::unique_lock<std::mutex> locked(lock_);
        decoded_.wait(locked, [&entry] { return entry.decoded; });
        entry.taken = true;
        image.Destroy();
        image.Swap(entry.image);
        return entry.found;
    }
    return std::nullopt;
}
