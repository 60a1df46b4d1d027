#pragma once
// Skin images decoded ahead on a worker thread while the windows that show them are created. Its
// owner asks it for each image: the worker's is handed over, once, when it has been decoded; what
// the worker will not give (it failed, ended, was stopped or never started) is decoded on the
// asking thread. A request waits only for decodes that the running worker is still to do.
#include <windows.h>

#include <condition_variable>
#include <list>
#include <mutex>
#include <span>
#include <thread>

#include "skin/SkinImage.h"

class SkinPreload final : public SkinSource {
public:
    SkinPreload() = default;
    ~SkinPreload() { Stop(); }
    SkinPreload(const SkinPreload&) = delete;
    SkinPreload& operator=(const SkinPreload&) = delete;

    // Decodes the first frame's images in order, then, with nothing else to do, starts GDI+ for
    // their drawing; the later ones wait for Continue, so that they do not compete with the first
    // frame for the processor. The worker ends once it has decoded them all.
    void Start(std::span<const WORD> firstFrame, std::span<const WORD> later) noexcept;
    // One more image for the first frame, decoded after those already given.
    void AddToFirstFrame(WORD id) noexcept;
    // Lets the worker go on to the later images; asking for one of them does too.
    void Continue() noexcept;
    // The worker begins nothing more and is waited for: at most the decode under way.
    void Stop() noexcept;

    // The next image of the id the worker holds or is about to decode, or else one decoded here.
    void Load(SkinImage& image, WORD resourceId) noexcept override;

private:
    enum class Stage { kWaiting, kDecoding, kDecoded, kFailed, kTaken };

    struct Entry {
        Entry(WORD resourceId, bool afterFirstFrame) noexcept : id(resourceId), later(afterFirstFrame) {}
        WORD id;
        bool later;
        Stage stage = Stage::kWaiting;
        SkinImage image;
    };

    void Run() noexcept;
    Entry* NextEntry() noexcept;
    void Publish(Entry& entry, Stage stage) noexcept;
    bool Settled(const Entry& entry) const noexcept;

    std::list<Entry> entries_; // changed and walked under lock_; entries never move
    std::mutex lock_;
    std::condition_variable work_;
    std::condition_variable decoded_;
    bool continue_ = false;
    bool cancelled_ = false;
    bool serving_ = false; // the worker will still take up a waiting entry
    std::thread worker_;
};
