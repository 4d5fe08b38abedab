#include "shell/DialogUnits.h"

#include <QFontDatabase>
#include <QFontMetrics>

namespace nimbo {

namespace {

// Korean fonts tried, in order, when a template's font is not installed.
constexpr const char* FALLBACK_FAMILIES[] = {"NanumGothic", "NanumBarunGothic", "Noto Sans CJK KR", "UnDotum"};

// Average width of the Latin letters, rounded to the nearest pixel.
int AverageCharWidth(const QFontMetrics& metrics) {
    const int width = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return (width / 26 + 1) / 2;
}

int MulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    m_baseWidth = AverageCharWidth(metrics);
    m_baseHeight = metrics.height();
}

QFont DialogUnits::TemplateFont(const QString& family, int points) {
    QFont font;
    if (QFontDatabase::hasFamily(family)) {
        font.setFamily(family);
    } else {
        for (const char* fallback : FALLBACK_FAMILIES) {
            if (QFontDatabase::hasFamily(QString::fromLatin1(fallback))) {
                font.setFamily(QString::fromLatin1(fallback));
                break;
            }
        }
    }
    font.setPointSize(points);
    return font;
}

int DialogUnits::X(int units) const {
    return MulDiv(units, m_baseWidth, 4);
}

int DialogUnits::Y(int units) const {
    return MulDiv(units, m_baseHeight, 8);
}

// Both edges are mapped, so that controls which share an edge in the
// template share it on screen too.
QRect DialogUnits::Rect(int x, int y, int cx, int cy) const {
    return QRect(QPoint(X(x), Y(y)), QPoint(X(x + cx) - 1, Y(y + cy) - 1));
}

QSize DialogUnits::Size(int cx, int cy) const {
    return {X(cx), Y(cy)};
}

}  // namespace nimbo
