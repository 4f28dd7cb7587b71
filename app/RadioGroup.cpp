#include "RadioGroup.h"

#include <QRadioButton>

#include "base/MainLoop.h"

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent)
{
    FGroup.setExclusive(true);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        FGroup.addButton(button, i);
        FButtons.push_back(button);
    }
    QObject::connect(&FGroup, &QButtonGroup::idClicked, this, [this](int) {
        if (OnClick) TMainLoop::Current().Guarded(OnClick);
    });
    PlaceItems();
}

int TRadioGroup::ItemIndex() const
{
    return FGroup.checkedId();
}

void TRadioGroup::SetItemIndex(int index)
{
    if (index >= 0 && index < ItemCount()) {
        FButtons[static_cast<std::size_t>(index)]->setChecked(true);
        return;
    }
    // An exclusive group cannot uncheck its last button directly.
    FGroup.setExclusive(false);
    for (QRadioButton* button : FButtons) button->setChecked(false);
    FGroup.setExclusive(true);
}

void TRadioGroup::resizeEvent(QResizeEvent* event)
{
    QGroupBox::resizeEvent(event);
    PlaceItems();
}

void TRadioGroup::PlaceItems()
{
    if (FButtons.empty()) return;
    // Below the caption (if any), rows share the height left inside the frame.
    const int top = title().isEmpty() ? 4 : fontMetrics().height() + 2;
    const int bottom = height() - 4;
    const int rowHeight = std::max(1, (bottom - top) / ItemCount());
    for (int i = 0; i < ItemCount(); ++i) {
        const int rowTop = top + i * rowHeight;
        const int buttonHeight = std::min(rowHeight, FButtons[static_cast<std::size_t>(i)]->sizeHint().height());
        FButtons[static_cast<std::size_t>(i)]->setGeometry(
            8, rowTop + (rowHeight - buttonHeight) / 2, width() - 12, buttonHeight);
    }
}
