// Entry point of every test program. Sets QT_QPA_PLATFORM=offscreen when it is
// unset (a QApplication aborts without a display) and keeps one Qt application
// object alive for the whole run.
#include <gtest/gtest.h>

#include <cstdlib>

#if VX_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
