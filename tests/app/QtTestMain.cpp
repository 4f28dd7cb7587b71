#include <gtest/gtest.h>

#include <QApplication>

// Widget tests need one QApplication for the whole program. The offscreen
// platform is the default, so listing the tests needs no display either.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
