#include "shell/CRegistryKey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace nimbo {

namespace {

// Outside Windows and Apple systems the settings are a plain file under the
// user's configuration folder, which other users might be able to read.
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
constexpr bool SETTINGS_ARE_PLAIN_FILE = true;
#else
constexpr bool SETTINGS_ARE_PLAIN_FILE = false;
#endif

// Makes the settings' own folder private before anything is written into it,
// so that not even the moment between writing a new file and narrowing its
// mode lets another user read it.
bool ProtectFolder(const QString& fileName) {
    const QString folder = QFileInfo(fileName).absolutePath();
    return QDir().mkpath(folder) &&
           QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool ProtectFile(const QString& fileName) {
    return QFile::setPermissions(fileName, QFile::ReadOwner | QFile::WriteOwner);
}

}  // namespace

CRegistryKey::CRegistryKey(const QString& organization, const QString& application)
    : m_organization(organization), m_application(application) {}

bool CRegistryKey::ReadString(const QString& name, QString& value) const {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, m_organization, m_application);
    if (settings.status() != QSettings::NoError) {
        return false;
    }
    const QVariant stored = settings.value(name);
    if (!stored.isValid() || !stored.canConvert<QString>()) {
        return false;
    }
    value = stored.toString();
    return true;
}

bool CRegistryKey::WriteString(const QString& name, const QString& text) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, m_organization, m_application);
    if (settings.status() != QSettings::NoError) {
        return false;
    }
    if (SETTINGS_ARE_PLAIN_FILE && !ProtectFolder(settings.fileName())) {
        return false;
    }
    settings.setValue(name, text);
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        return false;
    }
    return !SETTINGS_ARE_PLAIN_FILE || ProtectFile(settings.fileName());
}

}  // namespace nimbo
