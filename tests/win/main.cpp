#include <objbase.h>

#include <gtest/gtest.h>

#include "framework/App.h"
#include "support.h"

namespace {

// The tests' application object: windows reach the launcher window through it.
class TestApp : public App {};
TestApp g_app;

} // namespace

int main(int argc, char** argv)
{
    // A child process that crashes as the crash handler's tests ask.
    if (const int code = RunCrashChild(); code != -1)
        return code;
    ::CoInitialize(nullptr);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
