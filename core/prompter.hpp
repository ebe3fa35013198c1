#pragma once
// The program's dialogs, behind one seam so that tests can answer them.
// Called on the GUI thread only.
#include <optional>
#include <string>

namespace vx::core {

struct FileDialogSettings {
    enum class Kind { open, save };
    Kind kind = Kind::open;
    std::string title;
    std::string initial_folder;
    std::string initial_name = "requirements.txt";
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // "温馨提示" with OK and Cancel; true for OK.
    virtual bool confirm(const std::string& message) = 0;
    // "温馨提示" with OK only.
    virtual void inform(const std::string& message) = 0;
    // An error with the command's output as detail text.
    virtual void show_failure(const std::string& message, const std::string& detail) = 0;
    // The chosen file's full path, or nullopt when the user cancelled.
    virtual std::optional<std::string> choose_file(const FileDialogSettings& settings) = 0;
};

}  // namespace vx::core
