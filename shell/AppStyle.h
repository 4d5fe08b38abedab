#pragma once

#include <QProxyStyle>

namespace nimbo {

// The desktop's style, with the arrows of the menu bar's and tool bars'
// extension buttons drawn here: the style reads them from image files, and
// reading an image file lets Qt load every image format plugin, which the
// application does not need and would otherwise load while it starts.
class AppStyle : public QProxyStyle {
public:
    // Over `base`, which it takes.
    explicit AppStyle(QStyle* base) : QProxyStyle(base) {}

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

}  // namespace nimbo
