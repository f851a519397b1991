// main() of the GUI test programs: the offscreen platform unless a display is asked for explicitly,
// one QApplication for all tests.
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>

#include <gtest/gtest.h>

namespace {

// Each test starts with nothing remembered: what one test's windows kept never reaches the next.
class FreshSettings : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        QSettings settings;
        settings.clear();
        settings.sync();
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // What the windows remember goes to a folder of this run, never to the user's settings.
    const QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshSettings);
    return RUN_ALL_TESTS();
}
