#include "ErrorBox.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

void TErrorBox::Show(const std::string& message)
{
    if (Showing() || FDismissed) {
        std::fprintf(stderr, "parlet: error: %s\n", message.c_str());
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Parlet"), QString::fromUtf8(message), QMessageBox::Ok,
        QApplication::activeWindow());
    // A message may quote a port name or a settings value: never markup.
    box.setTextFormat(Qt::PlainText);
    FBox = &box;
    box.exec();
    FBox = nullptr;
}

void TErrorBox::Dismiss()
{
    FDismissed = true;
    if (FBox) FBox->done(QMessageBox::Ok);
}
