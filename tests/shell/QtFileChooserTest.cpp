// The transfer windows' real file dialogs, driven headless.
#include "shell/CQtFileChooser.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
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
    CQtFileChooser m_chooser;
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

}  // namespace
}  // namespace nimbo
