#include "chooser/ui/chooser_window.hpp"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace vx::chooser {
namespace {
QString qt(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
}  // namespace

ChooserWindow::ChooserWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("chooser");
    setWindowTitle("选择Python目录");
    setGeometry(50, 50, 705, 341);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* caption = new QLabel("当前目录", this);
    caption->setObjectName("当前1");
    caption->setGeometry(8, 8, 64, 32);

    current_ = new QLabel(this);
    current_->setObjectName("当前");
    current_->setGeometry(69, 8, 608, 32);
    current_->setAccessibleName("当前Python解释器");

    auto* rule = new QFrame(this);
    rule->setObjectName("标签1");
    rule->setGeometry(-58, 40, 800, 2);
    rule->setFrameShape(QFrame::HLine);

    list_ = new QTreeWidget(this);
    list_->setObjectName("列表框");
    list_->setGeometry(8, 48, 680, 216);
    list_->setColumnCount(1);
    list_->setHeaderLabels({"Python目录"});
    // One column as wide as the list; a longer path scrolls.
    list_->header()->setStretchLastSection(true);
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setAccessibleName("找到的Python解释器");

    choose_ = new QPushButton("选择Python路径", this);
    choose_->setObjectName("选择1");
    choose_->setGeometry(536, 272, 152, 28);
    connect(choose_, &QPushButton::clicked, this, [this] {
        if (const int row = selected_row(); row >= 0) {
            current_->setText(list_->topLevelItem(row)->text(0));
            emit row_chosen(row);
        }
    });
}

void ChooserWindow::set_current(const std::string& path) {
    current_->setText(qt(path));
}

void ChooserWindow::set_rows(const std::vector<std::string>& rows) {
    list_->clear();
    for (const auto& row : rows) {
        list_->addTopLevelItem(new QTreeWidgetItem(QStringList{qt(row)}));
    }
}

int ChooserWindow::selected_row() const {
    const auto selected = list_->selectedItems();
    return selected.isEmpty() ? -1 : list_->indexOfTopLevelItem(selected.front());
}

}  // namespace vx::chooser
