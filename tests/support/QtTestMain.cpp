// main() of the GoogleTest suites: an application object so that event loops, timers and
// socket notifiers work, with an error handler that keeps what escaped an event handler.
#include "TestApplication.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
