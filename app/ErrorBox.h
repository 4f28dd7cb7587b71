#pragma once

#include <QPointer>

#include <string>

class QMessageBox;

// The program's top-level error report: the message in a message box, after
// which the program carries on. Timers and device notices keep running while
// the box is open; an error that arrives meanwhile goes to stderr instead of
// stacking a second box on the first.
class TErrorBox {
public:
    void Show(const std::string& message);
    bool Showing() const { return !FBox.isNull(); }

    // The program is ending: the open box closes (its Show returns) and
    // every later message goes to stderr only.
    void Dismiss();

private:
    bool FDismissed = false;
    QPointer<QMessageBox> FBox;
};
