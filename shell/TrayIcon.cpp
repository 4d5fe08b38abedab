#include "shell/TrayIcon.h"

#include <QPainter>
#include <QPixmap>

#include "shell/StatusMenu.h"
#include "shell/CommandIds.h"
#include "shell/ResourceStrings.h"
#include "shell/ScalableIcon.h"

namespace nimbo {

namespace {

constexpr const char* COMMAND_PROPERTY = "nimboCommand";
constexpr int ICON_SIZE = 32;
// Drawn for a screen scaled to 200 %; smaller trays scale it down.
constexpr qreal ICON_SCALE = 2.0;

QPixmap AppPixmap() {
    return ScalableIcon(QStringLiteral("nimbo")).pixmap(QSize(ICON_SIZE, ICON_SIZE), ICON_SCALE);
}

// The application's picture, greyed: nobody is signed in.
QIcon SignedOutIcon() {
    return QIcon(QIcon(AppPixmap()).pixmap(QSize(ICON_SIZE, ICON_SIZE), ICON_SCALE, QIcon::Disabled));
}

// The application's picture with a red dot: notes wait to be read.
QIcon UnreadIcon() {
    QPixmap pixmap = AppPixmap();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 2));
    painter.setBrush(QColor(0xD0, 0x21, 0x21));
    painter.drawEllipse(QRectF(ICON_SIZE * 0.5, 1, ICON_SIZE * 0.5 - 2, ICON_SIZE * 0.5 - 2));
    return QIcon(pixmap);
}

}  // namespace

TrayIcon::TrayIcon(std::function<void(unsigned id)> command, QObject* parent)
    : QObject(parent),
      m_status(new StatusMenu(command, &m_menu)),
      m_signedIn(AppPixmap()),
      m_signedOut(SignedOutIcon()),
      m_unread(UnreadIcon()) {
    const auto add = [this, command](const QString& text, unsigned id) {
        QAction* action = m_menu.addAction(text);
        action->setProperty(COMMAND_PROPERTY, id);
        connect(action, &QAction::triggered, this, [command, id] { command(id); });
    };
    add(QStringLiteral("보이기/숨기기"), ID_SHOW_HIDE);
    m_menu.addMenu(m_status);
    m_menu.addSeparator();
    add(QStringLiteral("로그인(&I)"), ID_LOGIN);
    add(QStringLiteral("로그아웃(&O)"), ID_LOGOUT);
    m_menu.addSeparator();
    add(QStringLiteral("종료(&X)"), ID_APP_EXIT);

    m_icon.setContextMenu(&m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this, [command](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) {
            command(ID_SHOW_HIDE);
        }
    });
    ShowState(SignInState{});
    m_icon.setVisible(QSystemTrayIcon::isSystemTrayAvailable());
}

void TrayIcon::ShowState(const SignInState& state) {
    const bool signedIn = state.phase == SignInPhase::SignedIn;
    m_icon.setIcon(state.unread > 0 ? m_unread : signedIn ? m_signedIn : m_signedOut);
    QString tip = LoadResourceString(AFX_IDS_APP_TITLE) + QStringLiteral(" — ") + state.Summary();
    if (state.unread > 0) {
        tip += QStringLiteral("\n읽지 않은 쪽지 %1개").arg(state.unread);
    }
    m_icon.setToolTip(tip);
    m_status->ShowStatus(state.presence.status);
}

QAction* TrayIcon::Action(unsigned id) const {
    if (QAction* status = m_status->Action(id)) {
        return status;
    }
    for (QAction* action : m_menu.actions()) {
        if (!action->isSeparator() && action->menu() == nullptr && action->property(COMMAND_PROPERTY).toUInt() == id) {
            return action;
        }
    }
    return nullptr;
}

}  // namespace nimbo
