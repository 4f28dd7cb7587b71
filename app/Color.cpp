#include "Color.h"

#include <QGuiApplication>

QColor TColor::ToRgb() const
{
    if (!system_) return QColor::fromRgb(value_);
    return QGuiApplication::palette().color(QPalette::Active, static_cast<QPalette::ColorRole>(value_));
}
