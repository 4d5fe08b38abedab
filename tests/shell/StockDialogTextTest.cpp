// Qt's own texts in a file dialog follow the user's locale: ctest runs this
// program under LANG=ko_KR.UTF-8 and under LANG=C.UTF-8.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QWidget>

#include "shell/QtFileChooser.h"
#include "shell/QtStockTranslations.h"

namespace nimbo {
namespace {

struct DialogTexts {
    QString save;
    QString cancel;
    QString title;
};

TEST(StockDialogText, FileDialogSpeaksTheLanguageOfTheLocale) {
    const DialogTexts expected = qgetenv("LANG").startsWith("ko_")
                                     ? DialogTexts{QStringLiteral("저장(&S)"), QStringLiteral("취소"),
                                                   QStringLiteral("다른 이름으로 저장")}
                                     : DialogTexts{QStringLiteral("&Save"), QStringLiteral("Cancel"),
                                                   QStringLiteral("Save As")};
    QtStockTranslations texts;
    QWidget parent;
    parent.show();
    QtFileChooser chooser;
    chooser.ChooseFileToSave(&parent, QDir::tempPath() + QStringLiteral("/보고서.txt"), [](const QString&) {});
    auto* dialog = parent.findChild<QFileDialog*>();
    ASSERT_NE(dialog, nullptr);
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    ASSERT_NE(buttons->button(QDialogButtonBox::Save), nullptr);
    ASSERT_NE(buttons->button(QDialogButtonBox::Cancel), nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Save)->text(), expected.save);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), expected.cancel);
    EXPECT_EQ(dialog->windowTitle(), expected.title);
}

}  // namespace
}  // namespace nimbo
