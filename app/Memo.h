#pragma once

#include <QPlainTextEdit>
#include <QStringList>

// A multi-line plain-text box handled as a list of lines, like a log: lines
// are added at the end and removed from the front. Text is never taken as
// markup. An empty box holds no lines; a box holding one empty line looks the
// same but counts one.
class TMemo : public QPlainTextEdit {
public:
    explicit TMemo(QWidget* parent = nullptr);

    int LineCount() const;
    QStringList Lines() const;
    // A line break inside the text (LF, CR LF or CR) starts another line.
    void AddLine(const QString& line);
    void DeleteFirstLine();
    void Clear();

private:
    bool FEmpty = true;
};
