#include "Memo.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

TMemo::TMemo(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

int TMemo::LineCount() const
{
    return FEmpty ? 0 : document()->blockCount();
}

QStringList TMemo::Lines() const
{
    if (FEmpty) return {};
    QStringList lines;
    for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next()) lines << block.text();
    return lines;
}

void TMemo::AddLine(const QString& line)
{
    QString text = line;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (FEmpty) {
        setPlainText(text);
    } else {
        // Not appendPlainText: it fills a lone empty first line instead of
        // adding a line after it.
        QTextCursor cursor(document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertBlock();
        cursor.insertText(text);
    }
    FEmpty = false;
    // The newest line is the one the operator wants to see.
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TMemo::DeleteFirstLine()
{
    if (LineCount() <= 1) {
        Clear();
        return;
    }
    QTextCursor cursor(document()->firstBlock());
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void TMemo::Clear()
{
    clear();
    FEmpty = true;
}
