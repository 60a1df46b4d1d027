#pragma once
// The skins of the launcher's start-up, in the order its windows load them: what the first frame
// shows (the close spot's three images and the backdrop; the chosen artwork is added to them once
// drawn), then the game-mode caption bar with its buttons and the edge bars.
#include <windows.h>

#include <array>

#include "resource.h"

inline constexpr std::array<WORD, 4> kFirstFrameSkins{IDB_CLOSE_SPOT, IDB_CLOSE_SPOT_HOVER, IDB_CLOSE_SPOT_THIRD,
                                                      IDB_BACKDROP};

inline constexpr std::array<WORD, 13> kGameModeSkins{
    IDB_CAPTION_LEFT, IDB_CAPTION_TILE,  IDB_CAPTION_RIGHT, IDB_CLOSE_STRIP, IDB_MAXIMIZE_STRIP,
    IDB_MINIMIZE_STRIP, IDB_MENU_STRIP,  IDB_HIDE_STRIP,    IDB_SIDE_TILE,   IDB_SIDE_TILE,
    IDB_BOTTOM_LEFT,  IDB_BOTTOM_TILE,   IDB_BOTTOM_RIGHT};
