#pragma once
// Install, update and uninstall of the package shown in the information panel.
// The click handlers run on the GUI thread and only decide what to ask; the
// pip command runs on a worker thread and ends with a reload of the list.
#include <optional>
#include <string>

#include "core/context.hpp"

namespace vx::packages {

struct PackageChoice {
    std::string action_word;  // "安装" or "更新" (the button's caption without spaces)
    std::string name;         // the caption of mn
    std::string version;      // the text of var (ignored by uninstall)
};

// What a click on the install button asks: the confirmation text, or nothing
// when the caption names no action.
std::optional<std::string> install_prompt(const PackageChoice& choice,
                                          const std::string& installed_version,
                                          const std::string& latest_version);

// The confirmation text of a click on the uninstall button.
std::string uninstall_prompt(const std::string& name, const std::string& installed_version);

// Why the choice cannot reach a command line, or nothing when it can.
std::optional<std::string> refusal_of(const PackageChoice& choice, bool needs_version);

// The workers: hold the operation lock for their whole run.
void install_package(core::Context& context, const PackageChoice& choice);
void uninstall_package(core::Context& context, const PackageChoice& choice);

}  // namespace vx::packages
