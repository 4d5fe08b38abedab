#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QSystemTrayIcon;

namespace nimbo {

// Tells the user about something that happened while they looked elsewhere,
// through the desktop's notification service (org.freedesktop.Notifications
// on the session bus), or, where there is none, as a message of the tray
// icon when one is shown. Without either nothing is shown. Never waits for
// the service.
class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    using Delivery = std::function<void(const QString& summary, const QString& body)>;

    explicit DesktopNotifier(QObject* parent = nullptr);

    // The tray icon to fall back on; not owned, may be null.
    void SetTray(QSystemTrayIcon* tray) { m_tray = tray; }
    // Replaces the desktop's service, for a test that reads the
    // notifications given; an empty delivery restores the service.
    void SetDelivery(Delivery delivery) { m_delivery = std::move(delivery); }

    // Shows `summary` and `body` unless one of the application's windows is
    // active and the main window `window` is shown: the user sees the
    // application already.
    void NotifyIfAway(const QWidget& window, const QString& summary, const QString& body);

private:
    void Deliver(const QString& summary, const QString& body);
    void ShowInTray(const QString& summary, const QString& body);

    QSystemTrayIcon* m_tray = nullptr;
    Delivery m_delivery;
};

}  // namespace nimbo
