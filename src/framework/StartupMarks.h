#pragma once
// Start-up marks for the instrumented build (the LUMVANE_STARTUP_MARKS build option): each mark
// takes the time since the process was created, and at exit the run's marks are appended as one
// line "name=ms ..." to the file named by LUMVANE_STARTUP_MARKS_FILE (default startup-marks.txt).
// In the product build a mark is nothing.
#ifdef LUMVANE_STARTUP_MARKS
void StartupMark(const char* name, int id = -1) noexcept;
#define STARTUP_MARK(...) StartupMark(__VA_ARGS__)
#else
#define STARTUP_MARK(...) ((void)0)
#endif
