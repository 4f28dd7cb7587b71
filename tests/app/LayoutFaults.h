#pragma once

#include <QApplication>
#include <QGroupBox>
#include <QLayout>
#include <QWidget>

#include <string>
#include <vector>

// What is wrong with how a window's controls lie, as the operator would see
// it: two visible controls side by side (children of the window or of one
// frame) that overlap; a control that reaches past its frame's inside (over
// its heading or border) or closer than `margin` to the window's edge; a
// window smaller than its layout needs. Empty when all is well. The window's
// layout is brought up to date first.
inline std::vector<std::string> LayoutFaults(QWidget& window, int margin = 4)
{
    QApplication::processEvents();
    if (window.layout()) window.layout()->activate();
    std::vector<std::string> faults;
    auto name = [](const QWidget* w) {
        return (w->objectName().isEmpty() ? std::string(w->metaObject()->className()) : w->objectName().toStdString());
    };
    auto walk = [&](const QWidget& parent, const QRect& inside, auto& self) -> void {
        std::vector<const QWidget*> shown;
        for (QObject* child : parent.children()) {
            const auto* w = qobject_cast<const QWidget*>(child);
            if (w && !w->isWindow() && w->isVisibleTo(&window)) shown.push_back(w);
        }
        for (std::size_t i = 0; i < shown.size(); ++i) {
            const QRect place = shown[i]->geometry();
            if (!inside.contains(place)) faults.push_back(name(shown[i]) + " reaches out of " + name(&parent));
            for (std::size_t j = i + 1; j < shown.size(); ++j)
                if (place.intersects(shown[j]->geometry()))
                    faults.push_back(name(shown[i]) + " overlaps " + name(shown[j]));
            if (const auto* frame = qobject_cast<const QGroupBox*>(shown[i])) self(*frame, frame->contentsRect(), self);
        }
    };
    walk(window, window.rect().adjusted(margin, margin, -margin, -margin), walk);
    const QSize needed = window.minimumSizeHint();
    if (window.width() < needed.width() || window.height() < needed.height()) faults.push_back("window too small");
    return faults;
}
