#include "AdvProgr.h"

#include <QPainter>
#include <QStyleOption>
#include <qdrawutil.h>

TAdvProgress::TAdvProgress(QWidget* parent)
    : QProgressBar(parent)
{
    setTextVisible(false);
    FBarRgb = FBarColor.ToRgb();
    FBkRgb = FBkColor.ToRgb();
}

void TAdvProgress::SetBarColor(TColor color)
{
    FBarColor = color;
    FBarRgb = color.ToRgb();
    update();
}

void TAdvProgress::SetBkColor(TColor color)
{
    FBkColor = color;
    FBkRgb = color.ToRgb();
    update();
}

void TAdvProgress::SetBorderWidth(int pixels)
{
    FBorderWidth = std::max(0, pixels);
    update();
}

void TAdvProgress::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));

    const QRect frame = rect().adjusted(FBorderWidth, FBorderWidth, -FBorderWidth, -FBorderWidth);
    if (frame.width() <= 2 || frame.height() <= 2) return;
    qDrawShadePanel(&painter, frame, palette(), true, 1);
    const QRect inside = frame.adjusted(1, 1, -1, -1);
    painter.fillRect(inside, FBkRgb);

    // Smooth fill from the bottom (vertical) or the left (horizontal).
    const int span = maximum() - minimum();
    if (span <= 0 || value() <= minimum()) return;
    const double part = static_cast<double>(std::min(value(), maximum()) - minimum()) / span;
    QRect bar = inside;
    if (orientation() == Qt::Vertical) {
        const int h = static_cast<int>(inside.height() * part + 0.5);
        bar.setTop(inside.bottom() - h + 1);
    } else {
        const int w = static_cast<int>(inside.width() * part + 0.5);
        bar.setWidth(w);
    }
    if (!bar.isEmpty()) painter.fillRect(bar, FBarRgb);
}
