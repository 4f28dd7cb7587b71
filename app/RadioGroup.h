#pragma once

#include <QButtonGroup>
#include <QGroupBox>

#include <functional>
#include <vector>

class QRadioButton;

// A framed group of radio buttons of which at most one is chosen, stacked in
// rows. ItemIndex is −1 when none is chosen. OnClick runs
// when the operator picks an item, not when the program sets ItemIndex.
class TRadioGroup : public QGroupBox {
public:
    TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent);

    int ItemIndex() const;
    void SetItemIndex(int index);
    int ItemCount() const { return static_cast<int>(FButtons.size()); }
    QRadioButton* Item(int index) const { return FButtons.at(static_cast<std::size_t>(index)); }

    std::function<void()> OnClick;

private:
    QButtonGroup FGroup;
    std::vector<QRadioButton*> FButtons;
};
