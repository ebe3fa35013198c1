#pragma once
// Looks one package up in the index's JSON interface and fills the
// information panel: name, installed state, newest version and a description.
#include <string>
#include <vector>

#include "core/context.hpp"

namespace vx::info {

// The index host used when Config.ini names none (key info_host).
inline constexpr std::string_view default_info_host = "mirrors.aliyun.com";

inline constexpr std::string_view not_found_text = "此包不存在, 请重新输入并搜索 ...";

struct LookupRequest {
    std::string name;         // as typed or as listed; lower-cased by the lookup
    std::string row_version;  // the list's version column; empty for a search
    bool from_search = false;
};

// The nine fields the panel shows, read from an index record.
struct PackageRecord {
    std::string version;
    std::string upload_time;  // with every "T" replaced by a blank
    std::string author;
    std::string author_email;
    std::string home_page;
    std::string summary;
    std::string license;
    std::string requires_python;
    std::string requires_dist;
};

// "https://" + host + "/pypi/web/pypi/" + name + "/json", the name percent-encoded.
std::string lookup_address(const std::string& host, const std::string& name);

// Reads the record from a reply text; a text that is no JSON data gives empty fields.
PackageRecord read_package_record(const std::string& reply_text);

// The information text of the panel, CR LF between its lines.
std::string information_text(const PackageRecord& record);

// The installed version of name (lower-cased) in installed_lines, if listed.
struct InstalledMatch {
    bool found = false;
    std::string version;
};
InstalledMatch find_installed(const std::vector<std::string>& installed_lines,
                              const std::string& name);

// The worker's routine; holds the operation lock for its whole run.
void lookup_package_info(core::Context& context, const LookupRequest& request);

}  // namespace vx::info
