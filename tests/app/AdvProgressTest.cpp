#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPalette>

#include "app/AdvProgr.h"

namespace {
// The colour painted in the middle of the bar's column at a height (0 is the
// bottom of the bar's inside, 1 the top).
QColor PaintedAt(TAdvProgress& bar, double height)
{
    const QImage image = bar.grab().toImage();
    const int inner = bar.height() - 2 * bar.BorderWidth() - 2;
    const int y = bar.BorderWidth() + 1 + static_cast<int>((1.0 - height) * (inner - 1));
    return image.pixelColor(bar.width() / 2, y);
}

struct AdvProgress : testing::Test {
    AdvProgress()
    {
        bar.setOrientation(Qt::Vertical);
        bar.setRange(0, 100);
        bar.SetBorderWidth(2);
        bar.resize(17, 132);
    }
    TAdvProgress bar;
};
} // namespace

TEST_F(AdvProgress, DefaultsAreTheSystemColoursResolved)
{
    EXPECT_EQ(bar.BarColor(), TColor::Highlight());
    EXPECT_EQ(bar.BkColor(), TColor::Window());
    EXPECT_EQ(bar.BarRgb(), QApplication::palette().color(QPalette::Highlight));
    EXPECT_EQ(bar.BkRgb(), QApplication::palette().color(QPalette::Base));
}

TEST_F(AdvProgress, ColoursArePaintedAtOnceAndTheBarFillsFromTheBottom)
{
    bar.setValue(50);
    bar.SetBarColor(TColor::Rgb(255, 0, 0));
    bar.SetBkColor(TColor::Rgb(0, 0, 255));
    EXPECT_EQ(bar.BarRgb(), QColor(255, 0, 0));
    EXPECT_EQ(PaintedAt(bar, 0.1), QColor(255, 0, 0));
    EXPECT_EQ(PaintedAt(bar, 0.9), QColor(0, 0, 255));

    bar.SetBarColor(TColor::Highlight());
    EXPECT_EQ(PaintedAt(bar, 0.1), QApplication::palette().color(QPalette::Highlight));
    bar.setValue(100);
    EXPECT_EQ(PaintedAt(bar, 0.95), QApplication::palette().color(QPalette::Highlight));
    bar.setValue(0);
    EXPECT_EQ(PaintedAt(bar, 0.05), QColor(0, 0, 255));
}

TEST_F(AdvProgress, VersionIsFixed)
{
    EXPECT_EQ(bar.Version(), "1.2.0.0");
    bar.SetVersion("2.0");
    EXPECT_EQ(bar.Version(), "1.2.0.0");
}
