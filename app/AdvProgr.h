#pragma once

#include <QProgressBar>

#include <string>

#include "app/Color.h"

// A progress bar whose bar and background colours can be set. Setting either
// colour stores it, resolves it to a plain RGB value and repaints with it at
// once. The bar is drawn here rather than by the style, so the colours hold
// whatever widget style the desktop uses.
class TAdvProgress : public QProgressBar {
public:
    explicit TAdvProgress(QWidget* parent = nullptr);

    TColor BarColor() const { return FBarColor; }
    void SetBarColor(TColor color);
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor color);
    // The RGB values the bar is painted with.
    QColor BarRgb() const { return FBarRgb; }
    QColor BkRgb() const { return FBkRgb; }

    // Margin, in pixels, between the control's edge and the bar's frame.
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int pixels);

    std::string Version() const { return "1.2.0.0"; }
    // The version is fixed; a write is ignored.
    void SetVersion(const std::string&) { }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TColor FBarColor = TColor::Highlight();
    TColor FBkColor = TColor::Window();
    QColor FBarRgb;
    QColor FBkRgb;
    int FBorderWidth = 0;
};
