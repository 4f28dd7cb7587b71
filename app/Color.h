#pragma once

#include <QColor>
#include <QPalette>

// A colour as a form property holds it: either a plain RGB value or one of
// the system's colours (highlight, window, button face), which is resolved
// against the application's palette when it is used.
class TColor {
public:
    static TColor Rgb(int r, int g, int b) { return TColor(QColor(r, g, b).rgb(), false); }
    static TColor System(QPalette::ColorRole role) { return TColor(static_cast<unsigned>(role), true); }
    static TColor Highlight() { return System(QPalette::Highlight); }
    // The background of text boxes and lists.
    static TColor Window() { return System(QPalette::Base); }

    // The plain RGB value: a system colour resolved, an RGB value as it is.
    QColor ToRgb() const;

    bool operator==(const TColor& other) const = default;

private:
    TColor(unsigned value, bool system)
        : FValue(value)
        , FSystem(system)
    {
    }

    unsigned FValue;
    bool FSystem;
};
