#pragma once

#include <QPlainTextEdit>
#include <QStringList>

#include <vector>

// A multi-line plain-text box handled as a list of lines, like a log: lines
// are added at the end and removed from the front. Text is never taken as
// markup. An empty box holds no lines; a box holding one empty line looks the
// same but counts one. Characters of a line may be marked as not known to
// be right: another background, underlined, and a tooltip that says so.
class TMemo : public QPlainTextEdit {
public:
    explicit TMemo(QWidget* parent = nullptr);

    int LineCount() const;
    QStringList Lines() const;
    // A line break inside the text (LF, CR LF or CR) starts another line.
    // `marked` holds indices into `line`.
    void AddLine(const QString& line, const std::vector<int>& marked = {}, const QString& markTip = {});
    // Whether the character at this index of the document's text is marked.
    bool IsMarked(int position) const;
    void DeleteFirstLine();
    void Clear();

protected:
    bool event(QEvent* event) override;

private:
    bool FEmpty = true;
};
