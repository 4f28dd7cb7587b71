#include "Fonts.h"

#include <QFontDatabase>

QString FirstInstalledFamily(const QStringList& families)
{
    for (const QString& family : families)
        if (QFontDatabase::hasFamily(family)) return family;
    return families.back();
}

namespace {
QFont PixelFont(const QStringList& families, int pixelSize)
{
    QFont font(FirstInstalledFamily(families));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}
} // namespace

QFont FormFont(int pixelSize)
{
    return PixelFont(
        {"Tahoma", "DejaVu Sans Condensed", "Liberation Sans Narrow", "DejaVu Sans", "Sans Serif"}, pixelSize);
}

QFont SansSerifLabelFont(int pixelSize)
{
    return PixelFont({"MS Sans Serif", "Microsoft Sans Serif", "DejaVu Sans Condensed", "Liberation Sans",
                         "DejaVu Sans", "Sans Serif"},
        pixelSize);
}
