#pragma once

#include <QRect>
#include <QSize>

class QWidget;

enum TAnchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

// Places a child at its design rectangle within a parent of the given design
// size and keeps it there as the parent resizes: an edge anchored to the
// parent's edge keeps its distance to it, so a control anchored left and
// right widens with the parent and one anchored right and bottom moves with
// that corner. The placement follows the parent for the child's lifetime.
void Anchor(QWidget* child, const QRect& design, const QSize& parentDesign, unsigned anchors);

// Where a child anchored so ends up in a parent of the given size.
QRect AnchoredRect(const QRect& design, const QSize& parentDesign, unsigned anchors, const QSize& parentSize);
