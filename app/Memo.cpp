#include "Memo.h"

#include <QHelpEvent>
#include <QScrollBar>
#include <QToolTip>

#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>

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

namespace {
// The marks' property: a character format with it set is marked.
constexpr int MarkProperty = QTextFormat::UserProperty + 1;
} // namespace

void TMemo::AddLine(const QString& line, const std::vector<int>& marked, const QString& markTip)
{
    // Line breaks become single breaks; a mark stays on its character.
    QString text;
    std::vector<bool> marks;
    for (int i = 0; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('\r') && i + 1 < line.size() && line[i + 1] == QLatin1Char('\n')) continue;
        text += line[i] == QLatin1Char('\r') ? QChar(QLatin1Char('\n')) : line[i];
        marks.push_back(std::find(marked.begin(), marked.end(), i) != marked.end());
    }
    // Not appendPlainText: it fills a lone empty first line instead of
    // adding a line after it.
    if (FEmpty) clear();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (!FEmpty) cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    const int start = cursor.position();
    cursor.insertText(text, QTextCharFormat());
    QTextCharFormat mark;
    mark.setBackground(QColor(255, 224, 150));
    mark.setForeground(QColor(0, 0, 0));
    mark.setFontUnderline(true);
    mark.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    mark.setToolTip(markTip);
    mark.setProperty(MarkProperty, true);
    for (int i = 0; i < static_cast<int>(marks.size()); ++i) {
        if (!marks[static_cast<std::size_t>(i)]) continue;
        QTextCursor one(document());
        one.setPosition(start + i);
        one.setPosition(start + i + 1, QTextCursor::KeepAnchor);
        one.mergeCharFormat(mark);
    }
    FEmpty = false;
    // The newest line is the one the operator wants to see.
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

bool TMemo::IsMarked(int position) const
{
    QTextCursor cursor(document());
    cursor.setPosition(position + 1);
    return cursor.charFormat().boolProperty(MarkProperty);
}

bool TMemo::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip) return QPlainTextEdit::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QTextCursor cursor = cursorForPosition(viewport()->mapFromGlobal(help->globalPos()));
    QTextCursor after(cursor);
    after.movePosition(QTextCursor::Right);
    const QString tip = after.charFormat().toolTip();
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tip, this);
    return true;
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
