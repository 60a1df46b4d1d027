#pragma once
// A region made of alpha runs, each one pixel high, moved by (left, top): built in one
// ExtCreateRegion call instead of one region per run merged in turn.
#include <windows.h>

#include <vector>

#include "framework/Handles.h"
#include "launcher/LoginShape.h"

UniqueRegion RegionFromRuns(const std::vector<AlphaRun>& runs, int left, int top) noexcept;
