#include "ErrorBox.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

void TErrorBox::Show(const std::string& message)
{
    if (FShowing) {
        std::fprintf(stderr, "parlet: error: %s\n", message.c_str());
        return;
    }
    FShowing = true;
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Parlet"), QString::fromUtf8(message), QMessageBox::Ok,
        QApplication::activeWindow());
    // A message may quote a port name or a settings value: never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
    FShowing = false;
}
