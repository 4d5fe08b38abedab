#include "shell/CAboutDlg.h"

#include <QLabel>
#include <QPixmap>

#include "shell/ScalableIcon.h"

namespace nimbo {

namespace {

constexpr int ICON_SIZE = 32;

}  // namespace

CAboutDlg::CAboutDlg(const QString& userId, const QString& address, QWidget* parent)
    : CTemplateDialog(QStringLiteral("님보(Nimbo) 정보"), 148, 87,
                      DialogUnits::TemplateFont(QStringLiteral("System"), 8), parent),
      m_strAddress(address),
      m_strUserId(userId) {
    // An icon control takes the size of its icon.
    const QPixmap icon = ScalableIcon(QStringLiteral("nimbo")).pixmap(QSize(ICON_SIZE, ICON_SIZE), devicePixelRatioF());
    auto* iconLabel = Place(new QLabel, IDC_ICON, 11, 17, 0, 0);
    iconLabel->setPixmap(icon);
    iconLabel->resize(icon.deviceIndependentSize().toSize());
    iconLabel->setAccessibleName(QStringLiteral("님보(Nimbo)"));

    AddStatic(QStringLiteral("님보(Nimbo) 버전 1.0"), 0, 42, 10, 92, 8);
    AddStatic(QStringLiteral("친구와 쪽지, 파일을 주고받는\n인스턴트 메신저입니다."), 0, 42, 25, 92, 28);
    AddStatic(QStringLiteral("User ID : "), 0, 7, 60, 44, 8);
    AddStatic(QStringLiteral("IP Address : "), 0, 7, 72, 44, 8);
    m_userId = AddStatic(QString(), IDC_USER_ID, 52, 59, 62, 8);
    m_userId->setAccessibleDescription(QStringLiteral("User ID"));
    m_address = AddStatic(QString(), IDC_ADDRESS, 52, 72, 62, 8);
    m_address->setAccessibleDescription(QStringLiteral("IP Address"));
}

void CAboutDlg::DoDataExchange(DataDirection direction) {
    ExchangeText(direction, m_address, m_strAddress);
    ExchangeText(direction, m_userId, m_strUserId);
}

}  // namespace nimbo
