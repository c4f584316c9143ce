// Runs the Google Test suites inside a QApplication, headless unless a platform was chosen.
#include "platform/application.h"

#include <gtest/gtest.h>
#include <QApplication>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    auto app = platform::makeApplication<QApplication>(argc, argv);
    return RUN_ALL_TESTS();
}
