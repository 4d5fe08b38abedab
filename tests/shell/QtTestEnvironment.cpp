// Runs every test of the executable inside one QApplication, headless unless
// the environment names a platform.
#include "tests/shell/QtTestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>
#include <memory>

namespace {

class QtTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        QStandardPaths::setTestModeEnabled(true);
        m_application = std::make_unique<QApplication>(m_argc, m_argv);
    }

    void TearDown() override { m_application.reset(); }

    static QtTestEnvironment* s_instance;

private:
    int m_argc = 1;
    char m_name[16] = "shell_tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_application;
};

QtTestEnvironment* QtTestEnvironment::s_instance = nullptr;

[[maybe_unused]] ::testing::Environment* const g_qtEnvironment =
    ::testing::AddGlobalTestEnvironment(QtTestEnvironment::s_instance = new QtTestEnvironment);

}  // namespace

void nimbo::test::DestroyTestApplication() { QtTestEnvironment::s_instance->TearDown(); }
