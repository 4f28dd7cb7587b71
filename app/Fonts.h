#pragma once

#include <QFont>
#include <QStringList>

// The forms' fonts. Tahoma and MS Sans Serif are used where installed; a
// Linux desktop usually has neither, so the closest sans-serif of similar
// width is taken instead. Sizes are in pixels, as the forms were laid out.
QFont FormFont(int pixelSize); // Tahoma
QFont SansSerifLabelFont(int pixelSize); // MS Sans Serif

// The first of the families that is installed (the last one if none is).
QString FirstInstalledFamily(const QStringList& families);
