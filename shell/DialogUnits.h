#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

namespace nimbo {

// Converts dialog template units into pixels with the metrics of the dialog's
// font, so that a dialog keeps the proportions of its template at any font
// size: x units are a quarter of the average character width, y units an
// eighth of the character height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    // The template's font: `family` at `points`, or an installed Korean font
    // at the same size when `family` is not installed.
    static QFont TemplateFont(const QString& family, int points);

    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int cx, int cy) const;
    QSize Size(int cx, int cy) const;

    int BaseWidth() const { return m_baseWidth; }
    int BaseHeight() const { return m_baseHeight; }

private:
    int m_baseWidth;
    int m_baseHeight;
};

}  // namespace nimbo
