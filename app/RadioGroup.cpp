#include "RadioGroup.h"

#include <QRadioButton>
#include <QVBoxLayout>

#include "base/MainLoop.h"

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent)
{
    FGroup.setExclusive(true);
    // Stacked by a layout, so the frame is as large as its items need in any
    // font, language and scale.
    auto* rows = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        FGroup.addButton(button, i);
        FButtons.push_back(button);
        rows->addWidget(button);
    }
    QObject::connect(&FGroup, &QButtonGroup::idClicked, this, [this](int) {
        if (OnClick) TMainLoop::Current().Guarded(OnClick);
    });
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
