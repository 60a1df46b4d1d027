#include "skin/SkinPreload.h"

#include <objbase.h>

#include <algorithm>

#include "framework/StartupMarks.h"

void SkinPreload::Start(std::span<const WORD> firstFrame, std::span<const WORD> later) noexcept
{
    if (worker_.joinable())
        return;
    for (WORD id : firstFrame)
        entries_.emplace_back(id, false);
    for (WORD id : later)
        entries_.emplace_back(id, true);
    serving_ = true;
    try {
        worker_ = std::thread(&SkinPreload::Run, this);
    } catch (const std::system_error&) {
        serving_ = false; // no worker: every image is decoded where it is asked for
    }
}

void SkinPreload::AddToFirstFrame(WORD id) noexcept
{
    {
        std::lock_guard<std::mutex> locked(lock_);
        if (!serving_)
            return;
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

void SkinPreload::Stop() noexcept
{
    {
        std::lock_guard<std::mutex> locked(lock_);
        cancelled_ = true;
    }
    work_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

// The worker: WIC needs COM on this thread (without it every decode fails here and is done again
// where the image is asked for); the bitmaps it makes belong to the process. It ends when the
// later images are all decoded, or when it is stopped.
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
            if (cancelled_ || !next) {
                serving_ = false;
                break;
            }
            next->stage = Stage::kDecoding;
        }
        DecodeSkinResource(next->image, next->id);
        Publish(*next, next->image.IsNull() ? Stage::kFailed : Stage::kDecoded);
    }
    decoded_.notify_all();
    if (SUCCEEDED(com))
        ::CoUninitialize();
}

// The first image not yet started that may be decoded now.
SkinPreload::Entry* SkinPreload::NextEntry() noexcept
{
    for (Entry& entry : entries_) {
        if (entry.stage == Stage::kWaiting && (!entry.later || continue_))
            return &entry;
    }
    return nullptr;
}

void SkinPreload::Publish(Entry& entry, Stage stage) noexcept
{
    {
        std::lock_guard<std::mutex> locked(lock_);
        entry.stage = stage;
    }
    decoded_.notify_all();
}

// Whether the worker has done with the entry, or never will take it up.
bool SkinPreload::Settled(const Entry& entry) const noexcept
{
    return entry.stage == Stage::kDecoded || entry.stage == Stage::kFailed ||
           (entry.stage == Stage::kWaiting && !serving_);
}

void SkinPreload::Load(SkinImage& image, WORD resourceId) noexcept
{
    {
        std::unique_lock<std::mutex> locked(lock_);
        const auto entry = std::find_if(entries_.begin(), entries_.end(), [resourceId](const Entry& e) {
            return e.id == resourceId && e.stage != Stage::kTaken;
        });
        if (entry != entries_.end()) {
            if (entry->later && !continue_) {
                continue_ = true;
                work_.notify_all();
            }
            decoded_.wait(locked, [&] { return Settled(*entry); });
            const bool decoded = entry->stage == Stage::kDecoded;
            entry->stage = Stage::kTaken;
            if (decoded) {
                image.Destroy();
                image.Swap(entry->image);
                return;
            }
        }
    }
    OnTheSpotSkins().Load(image, resourceId);
}
