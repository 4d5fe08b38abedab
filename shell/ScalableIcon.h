#pragma once

#include <QIcon>

namespace nimbo {

// Icons of the application's resources, each drawn at its own size and at
// twice that size (NAME@2x.png), so that they stay sharp on a screen scaled
// to 200 %.

// The scales every icon of the application is drawn at.
inline constexpr int ICON_SCALES[] = {1, 2};

// The icon ":/icons/NAME.png", `name` without its ".png".
QIcon ScalableIcon(const QString& name);

// Image `index` of a strip of square images of `size` pixels that sit side
// by side in ":/icons/NAME.png".
QIcon ScalableStripIcon(const QString& name, int index, int size);

}  // namespace nimbo
