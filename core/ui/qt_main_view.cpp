#include "core/ui/qt_main_view.hpp"

#include <QThread>

namespace vx::ui {

QtMainView::QtMainView(MainWindow* window, core::Prompter& prompter)
    : window_(window), prompter_(prompter) {}

QtMainView::~QtMainView() = default;

void QtMainView::post(std::function<void(MainWindow&)> write) {
    auto deliver = [this, write = std::move(write)] {
        if (window_) {
            write(*window_);
        }
    };
    if (QThread::currentThread() == bridge_.thread()) {
        deliver();
    } else {
        QMetaObject::invokeMethod(&bridge_, std::move(deliver), Qt::QueuedConnection);
    }
}

void QtMainView::set_caption(const std::string& caption) {
    post([caption](MainWindow& w) { w.set_caption(caption); });
}
void QtMainView::set_status(core::StatusPane pane, const std::string& text) {
    post([pane, text](MainWindow& w) { w.set_status(pane, text); });
}
void QtMainView::set_mirror_choice(const std::string& name) {
    post([name](MainWindow& w) { w.set_mirror_choice(name); });
}
void QtMainView::lock_interface() {
    post([](MainWindow& w) { w.lock_interface(); });
}
void QtMainView::unlock_interface() {
    post([](MainWindow& w) { w.unlock_interface(); });
}
void QtMainView::show_environment_error(const std::string& message) {
    post([message](MainWindow& w) { w.show_environment_error(message); });
}
void QtMainView::show_packages(const std::vector<core::PackageItem>& items) {
    post([items](MainWindow& w) { w.show_packages(items); });
}
void QtMainView::clear_search_boxes() {
    post([](MainWindow& w) { w.clear_search_boxes(); });
}
void QtMainView::hide_info_panel() {
    post([](MainWindow& w) { w.hide_info_panel(); });
}
void QtMainView::show_info_panel() {
    post([](MainWindow& w) { w.show_info_panel(); });
}
void QtMainView::set_package_name(const std::string& name) {
    post([name](MainWindow& w) { w.set_package_name(name); });
}
void QtMainView::set_install_mark(core::InstallMark mark, const std::string& caption) {
    post([mark, caption](MainWindow& w) { w.set_install_mark(mark, caption); });
}
void QtMainView::set_version_text(const std::string& version) {
    post([version](MainWindow& w) { w.set_version_text(version); });
}
void QtMainView::set_info_text(const std::string& info) {
    post([info](MainWindow& w) { w.set_info_text(info); });
}
void QtMainView::set_install_caption(const std::string& caption) {
    post([caption](MainWindow& w) { w.set_install_caption(caption); });
}
void QtMainView::set_install_enabled(bool enabled) {
    post([enabled](MainWindow& w) { w.set_install_enabled(enabled); });
}
void QtMainView::set_uninstall_enabled(bool enabled) {
    post([enabled](MainWindow& w) { w.set_uninstall_enabled(enabled); });
}
void QtMainView::show_failure(const std::string& message, const std::string& detail) {
    post([this, message, detail](MainWindow&) { prompter_.show_failure(message, detail); });
}

}  // namespace vx::ui
