#include "Color.h"

#include <QGuiApplication>

QColor TColor::ToRgb() const
{
    if (!FSystem) return QColor::fromRgb(FValue);
    return QGuiApplication::palette().color(QPalette::Active, static_cast<QPalette::ColorRole>(FValue));
}
