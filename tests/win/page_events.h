#pragma once
// A stand-in for the launcher as the page host's events: it records what the page asked for.
#include <string>
#include <vector>

#include "page/ClentDlalog.h"

struct RecordedPageEvents final : PageHostEvents {
    int enterGame = 0;
    int gotoLogin = 0;
    std::vector<std::wstring> titles;

    void OnEnterGame() noexcept override { ++enterGame; }
    void OnGotoLogin() noexcept override { ++gotoLogin; }
    void OnServerTitle(const wchar_t* title) noexcept override { titles.emplace_back(title); }
};
