// One QApplication for the whole test program, made on the main thread before
// the first test. Widgets draw through Qt's offscreen platform and sound goes
// to SDL's dummy driver, so the suite runs without a display or a sound card.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

class CQtEnvironment : public testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        // The user's folders of this machine (a videos folder or not) must
        // not decide what the tests see: the desktop's list names folders
        // that do not exist, so the settings and the home folder decide.
        m_config = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                   "/kvqt-XXXXXX";
        if (mkdtemp(m_config.data())) {
            std::ofstream(m_config + "/user-dirs.dirs")
                << "XDG_VIDEOS_DIR=\"/nonexistent/Videos\"\n"
                   "XDG_DOCUMENTS_DIR=\"/nonexistent/Documents\"\n";
            setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
        }
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }
    void TearDown() override {
        m_app.reset();
        std::error_code ec;
        std::filesystem::remove_all(m_config, ec);
    }

private:
    int m_argc = 1;
    char m_name[16] = "app_tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
    std::string m_config;
};

[[maybe_unused]] testing::Environment* const g_qt =
    testing::AddGlobalTestEnvironment(new CQtEnvironment);

} // namespace
