#pragma once
// The transparent mask over everything below the top row. Enabled, it takes
// every mouse event in its area and shows the wait cursor; disabled, it lets
// the mouse through to the controls beneath.
#include <QWidget>

namespace vx::ui {

class MaskWidget : public QWidget {
    Q_OBJECT
public:
    explicit MaskWidget(QWidget* parent);
    void set_blocking(bool blocking);
    bool blocking() const { return !testAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};

}  // namespace vx::ui
