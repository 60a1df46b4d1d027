#include <objbase.h>

#include <gtest/gtest.h>

#include "framework/App.h"

namespace {

// The tests' application object: windows reach the launcher window through it.
class TestApp : public App {};
TestApp g_app;

} // namespace

int main(int argc, char** argv)
{
    ::CoInitialize(nullptr);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
