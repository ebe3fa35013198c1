#pragma once
// The main window: its controls at the positions of the window's design, the
// interface routines that lock and unlock it, and signals for what the user
// does. It holds no logic; the controller decides what a click means.
#include <QWidget>

#include <array>
#include <string>
#include <vector>

#include "core/main_view.hpp"

class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace vx::ui {

class MaskWidget;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    void set_caption(const std::string& caption);
    void set_status(core::StatusPane pane, const std::string& text);
    void set_mirror_choice(const std::string& name);
    void lock_interface();
    void unlock_interface();
    void show_environment_error(const std::string& message);
    void show_packages(const std::vector<core::PackageItem>& items);
    void clear_search_boxes();
    void clear_filter();
    void hide_info_panel();
    void show_info_panel();
    void set_package_name(const std::string& name);
    void set_install_mark(core::InstallMark mark, const std::string& caption);
    void set_version_text(const std::string& version);
    void set_info_text(const std::string& info);
    void set_install_caption(const std::string& caption);
    void set_install_enabled(bool enabled);
    void set_uninstall_enabled(bool enabled);

    // Read by the click handlers on the GUI thread.
    std::string search_text() const;
    std::string filter_text() const;
    std::string package_name() const;
    std::string version_text() const;
    std::string install_caption() const;

    // Where the popup menu of the "s" button opens (tests open it themselves).
    QMenu* popup_menu() const { return menu_; }

signals:
    void search_requested();
    void package_clicked(QString name, QString version);
    void filter_changed();
    void filter_focused();
    void install_clicked();
    void uninstall_clicked();
    void import_requested();
    void export_requested();
    void batch_uninstall_requested();
    void mirror_requested(int number);
    void chooser_requested();
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_top_row();
    void build_package_list();
    void build_info_panel();
    void build_hidden_controls();
    void build_error_area();
    void build_status_bar();
    void build_menu();
    void set_controls_enabled(bool enabled);
    // mn, mv, minfo, var, var1, 安装 and 卸载.
    std::array<QWidget*, 7> info_panel() const;

    QLineEdit* filter_box_ = nullptr;          // name
    QLineEdit* search_box_ = nullptr;          // n
    QPushButton* search_button_ = nullptr;     // ss
    QPushButton* menu_button_ = nullptr;       // s
    QTreeWidget* package_list_ = nullptr;      // 列表框
    QLabel* name_label_ = nullptr;             // mn
    QLabel* mark_label_ = nullptr;             // mv
    QPlainTextEdit* info_box_ = nullptr;       // minfo
    QLineEdit* version_box_ = nullptr;         // var
    QLineEdit* version_caption_ = nullptr;     // var1
    QPushButton* install_button_ = nullptr;    // 安装
    QPushButton* uninstall_button_ = nullptr;  // 卸载
    QPushButton* import_button_ = nullptr;     // 导入2
    QPushButton* export_button_ = nullptr;     // 导出2
    QComboBox* mirror_box_ = nullptr;          // 源选择框
    QLabel* error_label_ = nullptr;            // err
    QPushButton* choose_button_ = nullptr;     // 选择
    MaskWidget* mask_ = nullptr;               // 遮罩
    QStatusBar* status_bar_ = nullptr;         // 状态栏
    std::vector<QLabel*> status_panes_;
    QMenu* menu_ = nullptr;  // 菜单
};

}  // namespace vx::ui
