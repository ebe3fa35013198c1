#include "core/os_description.hpp"

#include "platform/os_release.hpp"

#include <algorithm>
#include <array>

namespace vx::core {
namespace {

constexpr std::array<unsigned, 25> known_product_codes = {
    1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 25, 48, 121};

constexpr unsigned suite_storage_server = 0x2000;
constexpr unsigned suite_home_server = 0x8000;
constexpr int architecture_amd64 = 9;

std::string product_name(const OsVersionRecord& r) {
    const bool workstation = r.product_type == 1;
    const auto pick = [&](const char* client, const char* server) {
        return std::string(workstation ? client : server);
    };
    if (r.major == 10) {
        if (r.minor != 0)
            return {};
        return workstation ? std::string("Windows 10") : r.registry_product_name;
    }
    if (r.major == 6) {
        switch (r.minor) {
            case 0:
                return pick("Windows Vista", "Windows Server 2008");
            case 1:
                return pick("Windows 7", "Windows Server 2008 R2");
            case 2:
                return pick("Windows 8", "Windows Server 2012");
            case 3:
                return pick("Windows 8.1", "Windows Server 2012 R2");
            default:
                return {};
        }
    }
    if (r.major == 5) {
        switch (r.minor) {
            case 0:
                return "Windows 2000";
            case 1:
                return "Windows XP";
            case 2:
                if (r.server_r2)
                    return "Windows Server 2003 R2, ";
                if (r.suite_mask & suite_storage_server)
                    return "Windows Storage Server 2003";
                if (r.suite_mask & suite_home_server)
                    return "Windows Home Server";
                if (workstation && r.processor_architecture == architecture_amd64) {
                    return "Windows XP Professional x64 Edition";
                }
                return "Windows Server 2003, ";
            default:
                return {};
        }
    }
    if (r.major == 4 && r.minor == 10) {
        return "Windows 98";
    }
    return {};
}

}  // namespace

std::string describe_os(const OsVersionRecord& record) {
    if (!record.version_info_available) {
        return {};
    }
    std::string name = product_name(record);
    if (record.major >= 6 && std::find(known_product_codes.begin(), known_product_codes.end(),
                                       record.product_info) == known_product_codes.end()) {
        name = "获取失败，请检查版本:" + std::to_string(record.major) + "." +
               std::to_string(record.minor);
    }
    return name;
}

std::string os_description() {
    return platform::linux_os_description();
}

}  // namespace vx::core
