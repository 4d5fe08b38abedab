#pragma once

#include <QString>

namespace nimbo {

// The values the application keeps between runs, stored through QSettings
// under one organisation and application (on Windows the registry key
// HKEY_CURRENT_USER\Software\<organisation>\<application>). Each operation
// opens the store, does one thing and closes it again. On Unix the settings
// file is kept readable by its owner only, because it holds a password.
class CRegistryKey {
public:
    static constexpr const char* USER_ID_VALUE = "User ID";
    static constexpr const char* PASSWORD_VALUE = "Password";

    explicit CRegistryKey(const QString& organization = QStringLiteral("Halvorn"),
                          const QString& application = QStringLiteral("Nimbo"));

    // Reads the string value `name` into `value`. On any failure, including
    // a missing value, returns false and leaves `value` as it was.
    bool ReadString(const QString& name, QString& value) const;

    // Stores `text` as the value `name`; false on any failure.
    bool WriteString(const QString& name, const QString& text);

private:
    QString m_organization;
    QString m_application;
};

}  // namespace nimbo
