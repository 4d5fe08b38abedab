// The yardstick of the client's start time and idle memory: the least a
// Qt Widgets program does to show one dialog with a Korean label, in the
// font the client's dialogs use.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("로그인"));
    dialog.setFont(QFont(QStringLiteral("NanumGothic"), 8));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("아이디와 비밀번호를 넣어 주세요")));
    dialog.show();
    return QApplication::exec();
}
