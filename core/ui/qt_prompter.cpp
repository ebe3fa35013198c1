#include "core/ui/qt_prompter.hpp"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace vx::ui {
namespace {

const QString title = QString::fromUtf8("温馨提示");
QString qt(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace

bool QtPrompter::confirm(const std::string& message) {
    QMessageBox box(QMessageBox::Question, title, qt(message));
    box.setWindowModality(Qt::ApplicationModal);
    QPushButton* ok = box.addButton(QString::fromUtf8("确认"), QMessageBox::AcceptRole);
    box.addButton(QString::fromUtf8("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.exec();
    return box.clickedButton() == ok;
}

void QtPrompter::inform(const std::string& message) {
    QMessageBox box(QMessageBox::Information, title, qt(message));
    box.setWindowModality(Qt::ApplicationModal);
    box.addButton(QString::fromUtf8("确认"), QMessageBox::AcceptRole);
    box.exec();
}

void QtPrompter::show_failure(const std::string& message, const std::string& detail) {
    QMessageBox box(QMessageBox::Warning, title, qt(message), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.setDetailedText(qt(detail));
    box.exec();
}

std::optional<std::string> QtPrompter::choose_file(const core::FileDialogSettings& settings) {
    QFileDialog dialog(nullptr, qt(settings.title), qt(settings.initial_folder),
                       QString::fromUtf8("文本文档(*.txt)"));
    dialog.setWindowModality(Qt::ApplicationModal);
    const bool saving = settings.kind == core::FileDialogSettings::Kind::save;
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Open: the file must exist. Save: overwriting asks first (Qt's default).
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.selectFile(qt(settings.initial_name));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toUtf8().toStdString();
}

}  // namespace vx::ui
