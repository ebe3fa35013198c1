#include "core/ui/main_window.hpp"

#include "core/ui/mask_widget.hpp"

#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>

namespace vx::ui {
namespace {

QString qt(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
std::string utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

template <typename Widget>
Widget* place(QWidget* parent, const char* name, QRect geometry) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromUtf8(name));
    widget->setGeometry(geometry);
    return widget;
}

QPushButton* button(QWidget* parent, const char* name, QRect geometry, const char* caption) {
    auto* widget = place<QPushButton>(parent, name, geometry);
    widget->setText(QString::fromUtf8(caption));
    return widget;
}

constexpr int status_pane_widths[] = {360, 100, 120, 120};
const QColor not_installed_colour(255, 128, 192);
const QColor installed_colour(0, 128, 0);

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    setObjectName("main");
    setWindowTitle("Verdanex");
    setGeometry(50, 50, 700, 520);
    setFixedSize(700, 520);

    // Creation order is stacking order: the mask lies above the list and the
    // information panel, the error label and its button above the mask.
    build_package_list();
    build_info_panel();
    build_hidden_controls();
    mask_ = place<MaskWidget>(this, "遮罩", {-3, 32, 696, 440});
    mask_->setAccessibleName("等待遮罩");
    build_error_area();
    build_top_row();
    build_status_bar();
    build_menu();
    setTabOrder(filter_box_, search_box_);
    setTabOrder(search_box_, search_button_);
    setTabOrder(search_button_, menu_button_);
    setTabOrder(menu_button_, package_list_);
}

MainWindow::~MainWindow() = default;

void MainWindow::build_top_row() {
    filter_box_ = place<QLineEdit>(this, "name", {8, 2, 180, 28});
    filter_box_->setAccessibleName("已安装包名称筛选");
    filter_box_->installEventFilter(this);
    connect(filter_box_, &QLineEdit::textChanged, this, &MainWindow::filter_changed);

    search_box_ = place<QLineEdit>(this, "n", {205, 2, 320, 28});
    search_box_->setAccessibleName("要搜索的包名");
    connect(search_box_, &QLineEdit::returnPressed, this, &MainWindow::search_requested);

    search_button_ = button(this, "ss", {524, 2, 120, 28}, "搜 索");
    connect(search_button_, &QPushButton::clicked, this, &MainWindow::search_requested);

    menu_button_ = button(this, "s", {655, 3, 28, 28}, "");
    menu_button_->setText(QString::fromUtf8("☰"));
    menu_button_->setAccessibleName("菜单");
    menu_button_->installEventFilter(this);
}

void MainWindow::build_package_list() {
    package_list_ = place<QTreeWidget>(this, "列表框", {6, 40, 180, 441});
    package_list_->setAccessibleName("已安装的包");
    package_list_->setColumnCount(2);
    package_list_->setHeaderLabels({"PKG 名称", "版本号"});
    package_list_->setHeaderHidden(true);
    package_list_->setRootIsDecorated(false);
    package_list_->setSelectionMode(QAbstractItemView::SingleSelection);
    package_list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    package_list_->setColumnWidth(0, 181);
    package_list_->setColumnWidth(1, 0);  // the version is kept for the lookup, not shown
    package_list_->header()->setStretchLastSection(false);
    package_list_->setUniformRowHeights(true);
    // The name column is as wide as the list; the hidden version column must
    // not make it scroll sideways.
    package_list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(package_list_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { emit package_clicked(item->text(0), item->text(1)); });
}

void MainWindow::build_info_panel() {
    name_label_ = place<QLabel>(this, "mn", {206, 41, 440, 30});
    name_label_->setAccessibleName("包名");
    QFont name_font = name_label_->font();
    name_font.setPointSize(name_font.pointSize() + 4);
    name_font.setBold(true);
    name_label_->setFont(name_font);
    mark_label_ = place<QLabel>(this, "mv", {206, 71, 440, 30});
    mark_label_->setAccessibleName("安装状态");
    info_box_ = place<QPlainTextEdit>(this, "minfo", {204, 103, 481, 314});
    info_box_->setAccessibleName("包信息");
    info_box_->setReadOnly(true);
    version_caption_ = place<QLineEdit>(this, "var1", {206, 429, 65, 28});
    version_caption_->setText("指定版本");
    version_caption_->setEnabled(false);
    version_box_ = place<QLineEdit>(this, "var", {269, 429, 120, 28});
    version_box_->setAccessibleName("要安装的版本");
    install_button_ = button(this, "安装", {388, 429, 70, 28}, "安 装");
    connect(install_button_, &QPushButton::clicked, this, &MainWindow::install_clicked);
    uninstall_button_ = button(this, "卸载", {611, 429, 70, 28}, "卸 载");
    connect(uninstall_button_, &QPushButton::clicked, this, &MainWindow::uninstall_clicked);
}

void MainWindow::build_hidden_controls() {
    // Never shown; kept because the interface routines still switch them.
    import_button_ = button(this, "导入2", {379, 57, 45, 28}, "导入");
    export_button_ = button(this, "导出2", {439, 65, 45, 28}, "导出");
    mirror_box_ = place<QComboBox>(this, "源选择框", {344, 122, 115, 34});
    mirror_box_->addItems({"PyPI源", "豆瓣源", "腾讯源", "清华源"});
    for (QWidget* hidden :
         {static_cast<QWidget*>(import_button_), static_cast<QWidget*>(export_button_),
          static_cast<QWidget*>(mirror_box_)}) {
        hidden->hide();
    }
}

void MainWindow::build_error_area() {
    error_label_ = place<QLabel>(this, "err", {47, 166, 600, 136});
    error_label_->setAccessibleName("错误信息");
    error_label_->setWordWrap(true);
    error_label_->setAlignment(Qt::AlignCenter);
    error_label_->hide();
    choose_button_ = button(this, "选择", {271, 234, 152, 28}, "选择Python目录");
    choose_button_->hide();
    connect(choose_button_, &QPushButton::clicked, this, &MainWindow::chooser_requested);
}

void MainWindow::build_status_bar() {
    status_bar_ = place<QStatusBar>(this, "状态栏", {0, 500, 700, 20});
    status_bar_->setSizeGripEnabled(false);
    const char* pane_names[] = {"状态信息", "操作系统", "Pip 源", "Python 版本"};
    for (int pane = 0; pane < 4; ++pane) {
        auto* label = new QLabel(status_bar_);
        label->setObjectName(QString("pane%1").arg(pane));
        label->setAccessibleName(QString::fromUtf8(pane_names[pane]));
        label->setFixedWidth(status_pane_widths[pane]);
        status_bar_->addWidget(label);
        label->hide();  // a pane appears when the start-up or a check adds it
        status_panes_.push_back(label);
    }
}

void MainWindow::build_menu() {
    menu_ = new QMenu("菜单", this);
    menu_->setObjectName("菜单");
    const auto caption = [this](const char* text) { menu_->addAction(text)->setEnabled(false); };
    const auto entry = [this](const char* text, auto signal) {
        connect(menu_->addAction(text), &QAction::triggered, this, signal);
    };
    caption("Requirements");
    entry("导 入", &MainWindow::import_requested);
    entry("导 出", &MainWindow::export_requested);
    entry("批量卸载", &MainWindow::batch_uninstall_requested);
    caption("选择 Pip 源");
    const char* mirrors[] = {"PyPI源", "豆瓣源",   "腾讯源", "清华源",
                             "阿里源", "中科大源", "网易源", "华为源"};
    for (int number = 1; number <= 8; ++number) {
        connect(menu_->addAction(mirrors[number - 1]), &QAction::triggered, this,
                [this, number] { emit mirror_requested(number); });
    }
    caption("选择Python路径");
    entry("选择Python目录", &MainWindow::chooser_requested);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == menu_button_ && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && menu_button_->isEnabled()) {
        menu_->popup(QCursor::pos());
        return true;
    }
    if (watched == filter_box_ && event->type() == QEvent::FocusIn) {
        emit filter_focused();
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    emit closing();
    event->accept();
}

void MainWindow::set_caption(const std::string& caption) {
    setWindowTitle(qt(caption));
}

void MainWindow::set_status(core::StatusPane pane, const std::string& text) {
    QLabel* label = status_panes_.at(static_cast<std::size_t>(pane));
    // "python -V" answers with its line break; a pane shows one line.
    QString shown = qt(text);
    while (shown.endsWith('\n') || shown.endsWith('\r')) {
        shown.chop(1);
    }
    label->setText(shown);
    label->show();
}

void MainWindow::set_mirror_choice(const std::string& name) {
    mirror_box_->insertItem(0, qt(name));
    mirror_box_->setCurrentIndex(mirror_box_->findText(qt(name)));
}

void MainWindow::set_controls_enabled(bool enabled) {
    for (QWidget* control :
         {static_cast<QWidget*>(filter_box_), static_cast<QWidget*>(search_box_),
          static_cast<QWidget*>(search_button_), static_cast<QWidget*>(mirror_box_),
          static_cast<QWidget*>(import_button_), static_cast<QWidget*>(export_button_),
          static_cast<QWidget*>(menu_button_)}) {
        control->setEnabled(enabled);
    }
}

void MainWindow::lock_interface() {
    mask_->set_blocking(true);
    set_controls_enabled(false);
}

void MainWindow::unlock_interface() {
    mask_->set_blocking(false);
    set_controls_enabled(true);
}

void MainWindow::show_environment_error(const std::string& message) {
    error_label_->setText(qt(message).replace("\r\n", "\n"));
    error_label_->show();
    choose_button_->show();
    error_label_->raise();
    choose_button_->raise();
}

void MainWindow::show_packages(const std::vector<core::PackageItem>& items) {
    package_list_->setUpdatesEnabled(false);
    package_list_->clear();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(qsizetype(items.size()));
    for (const auto& item : items) {
        rows.append(new QTreeWidgetItem(QStringList{qt(item.name), qt(item.version)}));
    }
    package_list_->addTopLevelItems(rows);
    package_list_->setUpdatesEnabled(true);
}

void MainWindow::clear_search_boxes() {
    search_box_->clear();
    filter_box_->clear();
}

void MainWindow::clear_filter() {
    filter_box_->clear();
}

std::array<QWidget*, 7> MainWindow::info_panel() const {
    return {name_label_,      mark_label_,     info_box_,        version_box_,
            version_caption_, install_button_, uninstall_button_};
}

void MainWindow::hide_info_panel() {
    for (QWidget* control : info_panel()) {
        control->hide();
    }
}

void MainWindow::show_info_panel() {
    for (QWidget* control : info_panel()) {
        control->show();
    }
}

void MainWindow::set_package_name(const std::string& name) {
    name_label_->setText(qt(name));
}

void MainWindow::set_install_mark(core::InstallMark mark, const std::string& caption) {
    QPalette palette = mark_label_->palette();
    palette.setColor(QPalette::WindowText, mark == core::InstallMark::installed
                                               ? installed_colour
                                               : not_installed_colour);
    mark_label_->setPalette(palette);
    mark_label_->setText(qt(caption));
}

void MainWindow::set_version_text(const std::string& version) {
    version_box_->setText(qt(version));
}

void MainWindow::set_info_text(const std::string& info) {
    info_box_->setPlainText(qt(info).replace("\r\n", "\n"));
}

void MainWindow::set_install_caption(const std::string& caption) {
    install_button_->setText(qt(caption));
}

void MainWindow::set_install_enabled(bool enabled) {
    install_button_->setEnabled(enabled);
}
void MainWindow::set_uninstall_enabled(bool enabled) {
    uninstall_button_->setEnabled(enabled);
}

std::string MainWindow::search_text() const {
    return utf8(search_box_->text());
}
std::string MainWindow::filter_text() const {
    return utf8(filter_box_->text());
}
std::string MainWindow::package_name() const {
    return utf8(name_label_->text());
}
std::string MainWindow::version_text() const {
    return utf8(version_box_->text());
}
std::string MainWindow::install_caption() const {
    return utf8(install_button_->text());
}

}  // namespace vx::ui
