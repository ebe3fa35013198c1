#pragma once
// Answers the program's dialogs in tests and records what they asked.
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/prompter.hpp"

namespace vx::test {

class FakePrompter : public core::Prompter {
public:
    // Answers given in order; an unanswered confirmation is a Cancel and an
    // unanswered file dialog is cancelled.
    std::deque<bool> confirm_answers;
    std::deque<std::optional<std::string>> file_answers;

    std::vector<std::string> confirmations;
    std::vector<std::string> informations;
    std::vector<std::pair<std::string, std::string>> failures;
    std::vector<core::FileDialogSettings> file_dialogs;

    bool confirm(const std::string& message) override {
        confirmations.push_back(message);
        if (confirm_answers.empty()) {
            return false;
        }
        const bool answer = confirm_answers.front();
        confirm_answers.pop_front();
        return answer;
    }
    void inform(const std::string& message) override { informations.push_back(message); }
    void show_failure(const std::string& message, const std::string& detail) override {
        failures.emplace_back(message, detail);
    }
    std::optional<std::string> choose_file(const core::FileDialogSettings& settings) override {
        file_dialogs.push_back(settings);
        if (file_answers.empty()) {
            return std::nullopt;
        }
        auto answer = file_answers.front();
        file_answers.pop_front();
        return answer;
    }
};

}  // namespace vx::test
