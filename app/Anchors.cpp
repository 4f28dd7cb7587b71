#include "Anchors.h"

#include <QEvent>
#include <QWidget>

namespace {
// Re-places one child whenever its parent changes size; owned by the child,
// so it goes with it.
class TAnchorFilter : public QObject {
public:
    TAnchorFilter(QWidget* child, const QRect& design, const QSize& parentDesign, unsigned anchors)
        : QObject(child)
        , FChild(child)
        , FDesign(design)
        , FParentDesign(parentDesign)
        , FAnchors(anchors)
    {
    }

    void Place()
    {
        FChild->setGeometry(AnchoredRect(FDesign, FParentDesign, FAnchors, FChild->parentWidget()->size()));
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == FChild->parentWidget() && event->type() == QEvent::Resize) Place();
        return false;
    }

private:
    QWidget* FChild;
    QRect FDesign;
    QSize FParentDesign;
    unsigned FAnchors;
};

// One axis: the start and length of a child between two parent edges.
std::pair<int, int> Span(int start, int length, int parentDesign, int parent, bool near, bool far)
{
    const int farGap = parentDesign - (start + length);
    if (near && far) return {start, std::max(0, parent - farGap - start)};
    if (far) return {parent - farGap - length, length};
    if (near) return {start, length};
    // Anchored to neither edge: keeps its centre at the same proportion.
    const int centre = parentDesign > 0 ? (start + length / 2) * parent / parentDesign : start;
    return {centre - length / 2, length};
}
} // namespace

QRect AnchoredRect(const QRect& design, const QSize& parentDesign, unsigned anchors, const QSize& parentSize)
{
    const auto [x, w] =
        Span(design.x(), design.width(), parentDesign.width(), parentSize.width(), anchors & akLeft, anchors & akRight);
    const auto [y, h] = Span(
        design.y(), design.height(), parentDesign.height(), parentSize.height(), anchors & akTop, anchors & akBottom);
    return QRect(x, y, w, h);
}

void Anchor(QWidget* child, const QRect& design, const QSize& parentDesign, unsigned anchors)
{
    auto* filter = new TAnchorFilter(child, design, parentDesign, anchors);
    child->parentWidget()->installEventFilter(filter);
    filter->Place();
}
