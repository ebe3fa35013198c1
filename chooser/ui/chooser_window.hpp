#pragma once
// The interpreter chooser window: the configured interpreter, the ones found
// on the machine, and a button that stores the selected one.
#include <QWidget>

#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace vx::chooser {

class ChooserWindow : public QWidget {
    Q_OBJECT
public:
    explicit ChooserWindow(QWidget* parent = nullptr);

    void set_current(const std::string& path);
    void set_rows(const std::vector<std::string>& rows);
    // The selected row, or -1 when none is selected.
    int selected_row() const;

signals:
    // The user clicked 选择1 with a row selected.
    void row_chosen(int index);

private:
    QLabel* current_ = nullptr;      // 当前
    QTreeWidget* list_ = nullptr;    // 列表框
    QPushButton* choose_ = nullptr;  // 选择1
};

}  // namespace vx::chooser
