#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "shell/CRegistryKey.h"

namespace nimbo {
namespace {

// Points the user's settings at a fresh folder for each test.
class RegistryKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_home.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_home.path());
    }

    QString Folder() const { return m_home.filePath(QStringLiteral("Halvorn")); }
    QString File() const { return m_home.filePath(QStringLiteral("Halvorn/Nimbo.conf")); }

    static mode_t Mode(const QString& path) {
        struct stat info {};
        EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
        return info.st_mode & 07777;
    }

    QTemporaryDir m_home;
};

TEST_F(RegistryKeyTest, WrittenValuesAreReadBackByTheNextRun) {
    {
        CRegistryKey key;
        EXPECT_TRUE(key.WriteString(CRegistryKey::USER_ID_VALUE, QStringLiteral("kim")));
        EXPECT_TRUE(key.WriteString(CRegistryKey::PASSWORD_VALUE, QStringLiteral("비밀 = pass;word, \"x\"")));
    }
    ASSERT_TRUE(QFile::exists(File()));

    const CRegistryKey key;
    QString userId;
    QString password;
    EXPECT_TRUE(key.ReadString(CRegistryKey::USER_ID_VALUE, userId));
    EXPECT_TRUE(key.ReadString(CRegistryKey::PASSWORD_VALUE, password));
    EXPECT_EQ(userId, QStringLiteral("kim"));
    EXPECT_EQ(password, QStringLiteral("비밀 = pass;word, \"x\""));
}

TEST_F(RegistryKeyTest, EmptyTextIsStoredAsAnEmptyValue) {
    CRegistryKey key;
    EXPECT_TRUE(key.WriteString(CRegistryKey::PASSWORD_VALUE, QString()));
    QString password = QStringLiteral("before");
    EXPECT_TRUE(key.ReadString(CRegistryKey::PASSWORD_VALUE, password));
    EXPECT_EQ(password, QString());
}

TEST_F(RegistryKeyTest, MissingValueLeavesTheStringUnchanged) {
    CRegistryKey key;
    QString userId = QStringLiteral("unchanged");
    EXPECT_FALSE(key.ReadString(CRegistryKey::USER_ID_VALUE, userId));
    EXPECT_EQ(userId, QStringLiteral("unchanged"));

    EXPECT_TRUE(key.WriteString(CRegistryKey::PASSWORD_VALUE, QStringLiteral("pw")));
    EXPECT_FALSE(key.ReadString(CRegistryKey::USER_ID_VALUE, userId));
    EXPECT_EQ(userId, QStringLiteral("unchanged"));
}

TEST_F(RegistryKeyTest, SettingsFileIsReadableByItsOwnerOnly) {
    CRegistryKey key;
    ASSERT_TRUE(key.WriteString(CRegistryKey::PASSWORD_VALUE, QStringLiteral("pw")));
    EXPECT_EQ(Mode(File()), 0600u);
    EXPECT_EQ(Mode(Folder()), 0700u);
}

TEST_F(RegistryKeyTest, EveryWriteNarrowsAWidenedFileAgain) {
    CRegistryKey key;
    ASSERT_TRUE(key.WriteString(CRegistryKey::USER_ID_VALUE, QStringLiteral("kim")));
    ASSERT_EQ(::chmod(QFile::encodeName(File()).constData(), 0644), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(Folder()).constData(), 0755), 0);

    ASSERT_TRUE(key.WriteString(CRegistryKey::PASSWORD_VALUE, QStringLiteral("pw")));
    EXPECT_EQ(Mode(File()), 0600u);
    EXPECT_EQ(Mode(Folder()), 0700u);
}

TEST_F(RegistryKeyTest, WriteThatCannotReachTheFileFails) {
    QFile blocker(Folder());  // a file where the settings folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    CRegistryKey key;
    EXPECT_FALSE(key.WriteString(CRegistryKey::USER_ID_VALUE, QStringLiteral("kim")));
    QString userId = QStringLiteral("unchanged");
    EXPECT_FALSE(key.ReadString(CRegistryKey::USER_ID_VALUE, userId));
    EXPECT_EQ(userId, QStringLiteral("unchanged"));
}

}  // namespace
}  // namespace nimbo
