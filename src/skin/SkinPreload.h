#pragma once
// Skin images decoded ahead on a worker thread while the windows that show them are created. While
// a preload has been started, LoadSkinImage takes the image for an id from it, waiting until the
// worker has decoded it, instead of decoding it again; each preloaded image is handed out once.
#include <windows.h>

#include <condition_variable>
#include <list>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

#include "skin/SkinImage.h"

class SkinPreload {
public:
    SkinPreload() noexcept = default;
    ~SkinPreload();
    SkinPreload(const SkinPreload&) = delete;
    SkinPreload& operator=(const SkinPreload&) = delete;

    // Decodes the first frame's images in order, then, with nothing else to do, starts GDI+ for
    // their drawing; the later ones wait for Continue, so that they do not compete with the first
    // frame for the processor. One preload at a time is consulted by LoadSkinImage: the last one
    // started.
    void Start(std::span<const WORD> firstFrame, std::span<const WORD> later) noexcept;
    // One more image for the first frame, decoded after those already given.
    void AddToFirstFrame(WORD id) noexcept;
    // Lets the worker go on to the later images; taking one of them does too.
    void Continue() noexcept;

    // Moves the next preloaded image of the id into image once it is decoded and gives what
    // loading it gave; nothing when the last preload started has no image left for the id.
    static std::optional<bool> TakeActive(WORD id, SkinImage& image) noexcept;

private:
    struct Entry {
        Entry(WORD resourceId, bool afterFirstFrame) noexcept : id(resourceId), later(afterFirstFrame) {}
        WORD id;
        bool later;
        SkinImage image;
        bool started = false;
        bool found = false;
        bool decoded = false;
        bool taken = false;
    };

    void Run() noexcept;
    Entry* NextEntry() noexcept;
    void Publish(Entry& entry, bool found) noexcept;
    std::optional<bool> Take(WORD id, SkinImage& image) noexcept;

    std::list<Entry> entries_; // changed and walked under lock_; entries never move
    std::mutex lock_;
    std::condition_variable work_;
    std::condition_variable decoded_;
    bool continue_ = false;
    bool cancelled_ = false;
    std::thread worker_;
};
