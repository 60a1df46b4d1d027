#include "skin/SkinPreload.h"

#include <objbase.h>

#include <algorithm>

#include "framework/StartupMarks.h"

namespace {

SkinPreload* g_active = nullptr;

} // namespace

SkinPreload::~SkinPreload()
{
    {
        std::lock_guard<std::mutex> locked(lock_);
        cancelled_ = true;
    }
    work_.notify_all();
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
        worker_ = std::thread(&SkinPreload::Run, this);
    } catch (const std::system_error&) {
        entries_.clear(); // no worker: every image is decoded when it is loaded
        return;
    }
    g_active = this;
}

void SkinPreload::AddToFirstFrame(WORD id) noexcept
{
    if (!worker_.joinable())
        return;
    {
        std::lock_guard<std::mutex> locked(lock_);
        const auto firstLater = std::find_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.later; });
        entries_.emplace(firstLater, id, false);
    }
    work_.notify_all();
}

void SkinPreload::Continue() noexcept
{
    {
        std::lock_guard<std::mutex> locked(lock_);
        continue_ = true;
    }
    work_.notify_all();
}

// The worker: WIC needs COM on this thread; the bitmaps it makes belong to the process. It ends
// when the later images are all decoded, or when the preload goes.
void SkinPreload::Run() noexcept
{
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    bool drawingStarted = false;
    for (;;) {
        Entry* next = nullptr;
        {
            std::unique_lock<std::mutex> locked(lock_);
            next = NextEntry();
            if (!next && !drawingStarted && !cancelled_) {
                locked.unlock();
                StartSkinDrawing();
                STARTUP_MARK("gdiplus_started");
                drawingStarted = true;
                continue;
            }
            work_.wait(locked, [&] { return cancelled_ || (next = NextEntry()) || continue_; });
            if (cancelled_ || !next)
                break;
            next->started = true;
        }
        Publish(*next, DecodeSkinResource(next->image, next->id));
    }
    if (SUCCEEDED(com))
        ::CoUninitialize();
}

// The first image not yet started that may be decoded now.
SkinPreload::Entry* SkinPreload::NextEntry() noexcept
{
    for (Entry& entry : entries_) {
        if (!entry.started && (!entry.later || continue_))
            return &entry;
    }
    return nullptr;
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

std::optional<bool> SkinPreload::TakeActive(WORD id, SkinImage& image) noexcept
{
    return g_active ? g_active->Take(id, image) : std::nullopt;
}

std::optional<bool> SkinPreload::Take(WORD id, SkinImage& image) noexcept
{
    std::unique_lock<std::mutex> locked(lock_);
    const auto entry = std::find_if(entries_.begin(), entries_.end(),
                                    [id](const Entry& e) { return e.id == id && !e.taken; });
    if (entry == entries_.end())
        return std::nullopt;
    if (entry->later && !continue_) {
        continue_ = true;
        work_.notify_all();
    }
    decoded_.wait(locked, [&entry] { return entry->decoded; });
    entry->taken = true;
    image.Destroy();
    image.Swap(entry->image);
    return entry->found;
}
