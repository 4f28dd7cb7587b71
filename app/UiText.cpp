#include "UiText.h"

#include "base/Translation.h"

QString UiText(const char* english)
{
    return QString::fromStdString(Translated(english));
}
