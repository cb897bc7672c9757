// One QApplication for the whole test program, made on the main thread before
// the first test. Widgets draw through Qt's offscreen platform and sound goes
// to SDL's dummy driver, so the suite runs without a display or a sound card.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

class CQtEnvironment : public testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[16] = "app_tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] testing::Environment* const g_qt =
    testing::AddGlobalTestEnvironment(new CQtEnvironment);

} // namespace
