#pragma once
// The program's dialogs as Qt shows them: application-modal message boxes
// titled "温馨提示" and the requirements file dialog.
#include "core/prompter.hpp"

class QWidget;

namespace vx::ui {

class QtPrompter : public core::Prompter {
public:
    bool confirm(const std::string& message) override;
    void inform(const std::string& message) override;
    void show_failure(const std::string& message, const std::string& detail) override;
    std::optional<std::string> choose_file(const core::FileDialogSettings& settings) override;
};

}  // namespace vx::ui
