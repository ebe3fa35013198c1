#include "core/ui/mask_widget.hpp"

#include <QMouseEvent>
#include <QWheelEvent>

namespace vx::ui {

MaskWidget::MaskWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    set_blocking(false);
}

void MaskWidget::set_blocking(bool blocking) {
    setAttribute(Qt::WA_TransparentForMouseEvents, !blocking);
    if (blocking) {
        setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
    }
}

// Swallowed: while the interface is locked a click goes nowhere.
void MaskWidget::mousePressEvent(QMouseEvent* event) {
    event->accept();
}
void MaskWidget::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}
void MaskWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}
void MaskWidget::wheelEvent(QWheelEvent* event) {
    event->accept();
}

}  // namespace vx::ui
