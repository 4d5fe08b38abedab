#include "shell/DesktopNotifier.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QSystemTrayIcon>
#include <QVariantMap>
#include <QWidget>

#include "shell/ResourceStrings.h"

namespace nimbo {

namespace {

const QString SERVICE = QStringLiteral("org.freedesktop.Notifications");
const QString PATH = QStringLiteral("/org/freedesktop/Notifications");
// The service's own default time on screen.
constexpr int DEFAULT_TIMEOUT = -1;

}  // namespace

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {}

void DesktopNotifier::NotifyIfAway(const QWidget& window, const QString& summary, const QString& body) {
    if (window.isVisible() && QApplication::activeWindow() != nullptr) {
        return;
    }
    if (m_delivery) {
        m_delivery(summary, body);
    } else {
        Deliver(summary, body);
    }
}

// Asked without waiting; only an answer that there is no such service
// turns to the tray.
void DesktopNotifier::Deliver(const QString& summary, const QString& body) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        ShowInTray(summary, body);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(SERVICE, PATH, SERVICE, QStringLiteral("Notify"));
    call << LoadResourceString(AFX_IDS_APP_TITLE) << 0u << QStringLiteral("im-message-new") << summary << body
         << QStringList() << QVariantMap() << DEFAULT_TIMEOUT;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, summary, body] {
        if (watcher->isError()) {
            ShowInTray(summary, body);
        }
        watcher->deleteLater();
    });
}

void DesktopNotifier::ShowInTray(const QString& summary, const QString& body) {
    if (m_tray != nullptr && m_tray->isVisible()) {
        m_tray->showMessage(summary, body);
    }
}

}  // namespace nimbo
