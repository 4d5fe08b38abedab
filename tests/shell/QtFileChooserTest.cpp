// The transfer windows' real file dialogs, driven headless.
#include "shell/QtFileChooser.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <optional>

namespace nimbo {
namespace {

class QtFileChooserTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.isValid());
        m_parent.show();
    }

    // The file dialog the chooser opened over the window.
    QFileDialog* OpenDialog() const {
        auto* dialog = m_parent.findChild<QFileDialog*>();
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }

    IFileChooser::Chosen Record() {
        return [this](const QString& path) { m_chosen = path; };
    }

    QTemporaryDir m_folder;
    QWidget m_parent;
    QtFileChooser m_chooser;
    std::optional<QString> m_chosen;
};

TEST_F(QtFileChooserTest, SaveStartsAtTheFolderAndNameAndLeavesReplacingToTheCaller) {
    const QString existing = m_folder.filePath(QStringLiteral("보고서.txt"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    m_chooser.ChooseFileToSave(&m_parent, existing, Record());
    QFileDialog* dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("All Files (*.*)")});
    EXPECT_EQ(dialog->directory().absolutePath(), QDir(m_folder.path()).absolutePath());
    EXPECT_FALSE(m_chosen.has_value());

    static_cast<QDialog*>(dialog)->accept();  // as the dialog's own button does
    EXPECT_EQ(m_chosen, existing);
    EXPECT_EQ(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()), nullptr);
}

TEST_F(QtFileChooserTest, OpenStartsInTheFolderOfThePatternAndCancelAnswersEmpty) {
    m_chooser.ChooseFileToOpen(&m_parent, m_folder.path() + QStringLiteral("/*.*"), Record());
    QFileDialog* dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog->directory().absolutePath(), QDir(m_folder.path()).absolutePath());

    dialog->reject();
    EXPECT_EQ(m_chosen, QString());
}

// The filter keeps its label, but names without a dot are listed too.
TEST_F(QtFileChooserTest, EveryFileIsListedWhetherItsNameHasADotOrNot) {
    for (const char* name : {"Makefile", "README", "a.txt", "photo"}) {
        QFile file(m_folder.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    m_chooser.ChooseFileToOpen(&m_parent, m_folder.path() + QStringLiteral("/*.*"), Record());
    QFileDialog* dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("All Files (*.*)")});

    const auto* files = dialog->findChild<QFileSystemModel*>();
    ASSERT_NE(files, nullptr);
    const QModelIndex folder = files->index(m_folder.path());
    QStringList listed;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        listed.clear();
        for (int row = 0; row < files->rowCount(folder); ++row)
            listed.append(files->index(row, 0, folder).data().toString());
        return listed.contains(QStringLiteral("a.txt"));
    }));
    listed.sort();
    EXPECT_EQ(listed.join(u' ').toStdString(), "Makefile README a.txt photo");
}

// The user folders of a home folder made for the test, from its XDG
// settings, which test paths ignore; the process's own come back after.
class UserFolders {
public:
    explicit UserFolders(const QString& home) : m_home(qgetenv("HOME")), m_config(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("HOME", home.toUtf8());
        qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toUtf8());
        QStandardPaths::setTestModeEnabled(false);
    }
    ~UserFolders() {
        QStandardPaths::setTestModeEnabled(true);
        qputenv("HOME", m_home);
        qputenv("XDG_CONFIG_HOME", m_config);
    }
    UserFolders(const UserFolders&) = delete;
    UserFolders& operator=(const UserFolders&) = delete;

private:
    QByteArray m_home;
    QByteArray m_config;
};

// As in the first transfers of a run, before any folder was chosen.
TEST_F(QtFileChooserTest, WithoutAFolderSaveStartsInTheDownloadFolderAndOpenAtHome) {
    const QString downloads = m_folder.filePath(QStringLiteral("받은 파일"));
    ASSERT_TRUE(QDir().mkpath(downloads));
    ASSERT_TRUE(QDir().mkpath(m_folder.filePath(QStringLiteral(".config"))));
    QFile dirs(m_folder.filePath(QStringLiteral(".config/user-dirs.dirs")));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write(QStringLiteral("XDG_DOWNLOAD_DIR=\"$HOME/받은 파일\"\n").toUtf8());
    dirs.close();
    UserFolders folders(m_folder.path());

    m_chooser.ChooseFileToSave(&m_parent, QStringLiteral("보고서.txt"), Record());
    QFileDialog* save = OpenDialog();
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->directory().absolutePath(), downloads);
    delete save;
    m_chooser.ChooseFileToOpen(&m_parent, QStringLiteral("*.*"), Record());
    QFileDialog* open = OpenDialog();
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->directory().absolutePath(), m_folder.path());
}

}  // namespace
}  // namespace nimbo
