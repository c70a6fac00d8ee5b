#include <QApplication>

#include <gtest/gtest.h>

// Widget tests need one QApplication for the whole run; the offscreen platform unless the
// caller chose another (test discovery runs without the test's environment).
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
