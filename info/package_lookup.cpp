#include "info/package_lookup.hpp"

#include "core/text.hpp"
#include "http/http_request.hpp"
#include "info/json_document.hpp"
#include "packages/package_names.hpp"

#include <mutex>

namespace vx::info {
namespace {

void show_not_found(core::Context& context, const std::string& name) {
    core::MainView& view = context.view;
    view.set_package_name(name);
    view.set_install_mark(core::InstallMark::not_installed, "[未安装]");
    view.set_version_text("");
    view.set_info_text(std::string(not_found_text));
    view.set_status(core::StatusPane::message, " 获取 " + name + " 信息 完成 OK ...");
    view.show_info_panel();
    view.unlock_interface();
    view.set_install_enabled(false);
    view.set_uninstall_enabled(false);
}

std::string index_host(const core::ConfigFile& config) {
    std::string host = config.read_config_value("info_host");
    return host.empty() ? std::string(default_info_host) : host;
}

bool is_core_package(const std::string& lower_name) {
    return lower_name == "pip" || lower_name == "setuptools" || lower_name == "wheel";
}

}  // namespace

std::string lookup_address(const std::string& host, const std::string& name) {
    return "https://" + host + "/pypi/web/pypi/" + packages::percent_encode_path_segment(name) +
           "/json";
}

PackageRecord read_package_record(const std::string& reply_text) {
    JsonDocument document;
    PackageRecord record;
    // The reply is data from the network: it is parsed as JSON, never run.
    if (!document.parse_data(reply_text)) {
        return record;
    }
    record.version = document.get_text("['info']['version']");
    record.upload_time =
        text::replace_all(document.get_text("['urls'][0]['upload_time']"), "T", " ");
    record.author = document.get_text("['info']['author']");
    record.author_email = document.get_text("['info']['author_email']");
    record.home_page = document.get_text("['info']['home_page']");
    record.summary = document.get_text("['info']['summary']");
    record.license = document.get_text("['info']['license']");
    record.requires_python = document.get_text("['info']['requires_python']");
    record.requires_dist = document.get_text("['info']['requires_dist']");
    document.clear();
    return record;
}

std::string information_text(const PackageRecord& record) {
    std::string info = "最新版本: " + record.version;
    info += "\r\n更新时间: " + record.upload_time;
    info += "\r\n作者: " + record.author;
    info += "\r\n邮箱: " + record.author_email;
    info += "\r\n主页: " + record.home_page;
    info += "\r\n摘要: " + record.summary;
    if (!record.license.empty()) {
        info += "\r\n许可证: " + record.license;
    }
    info += "\r\n要求（Python）: " + record.requires_python;
    if (!record.requires_dist.empty()) {
        info += "\r\n要求（依赖）: " + record.requires_dist;
    }
    return info;
}

InstalledMatch find_installed(const std::vector<std::string>& installed_lines,
                              const std::string& name) {
    for (const std::string& line : installed_lines) {
        const auto fields = text::split(line, " ");
        if (!fields.empty() && text::to_lower_ascii(fields[0]) == name) {
            return {true, fields.size() > 1 ? fields[1] : std::string()};
        }
    }
    return {};
}

void lookup_package_info(core::Context& context, const LookupRequest& request) {
    std::lock_guard operation(context.state.operation_lock);
    core::MainView& view = context.view;
    view.hide_info_panel();
    view.lock_interface();

    std::string name = text::to_lower_ascii(request.name);
    std::string installed_version = request.from_search ? std::string() : request.row_version;
    InstalledMatch match;
    if (request.from_search || installed_version.empty()) {
        match = find_installed(context.state.installed_lines(), name);
        if (match.found) {
            installed_version = match.version;
        }
    }
    view.set_status(core::StatusPane::message, " 获取 " + name + " 信息 ...");

    // A name that is no package name cannot be in the index; it never reaches
    // the network.
    std::string reply;
    if (packages::is_valid_package_name(name)) {
        http::HttpRequest exchange;
        exchange.url = lookup_address(index_host(context.config), name);
        reply = text::utf8_to_text(http::http_request(exchange));
    } else if (request.from_search) {
        reply = "404";
    }
    if (request.from_search && reply == "404") {
        show_not_found(context, name);
        return;
    }

    const PackageRecord record = read_package_record(reply);
    const std::string info = information_text(record);
    view.set_version_text(record.version);
    view.set_package_name(name);
    context.state.set_latest_version(record.version);

    const bool installed = match.found || !installed_version.empty();
    if (installed) {
        view.set_install_caption("更 新");
        view.set_install_mark(core::InstallMark::installed, "[已安装] 版本: " + installed_version);
        context.state.set_installed_version(installed_version);
        view.set_uninstall_enabled(true);
    } else {
        view.set_install_caption("安 装");
        view.set_install_mark(core::InstallMark::not_installed, "[未安装]");
        view.set_uninstall_enabled(false);
    }
    const std::string wanted = text::remove_all(record.version, " ");
    if (wanted != text::remove_all(installed_version, " ")) {
        view.set_install_enabled(true);
    }
    if (wanted.empty()) {
        view.set_install_enabled(false);
    }
    if (is_core_package(name)) {
        view.set_uninstall_enabled(false);
    }
    view.set_info_text(info);
    view.set_status(core::StatusPane::message, " 获取 " + name + " 信息 完成 OK ...");
    view.show_info_panel();
    view.unlock_interface();
}

}  // namespace vx::info
