#pragma once
// The operating-system name shown in the status bar.
#include <string>

namespace vx::core {

// What the Windows version calls report. On Linux nobody fills this in; the
// status pane uses linux_os_description() instead (see os_description()).
struct OsVersionRecord {
    bool version_info_available = true;  // false: GetVersionEx failed
    unsigned major = 0;
    unsigned minor = 0;
    int product_type = 1;  // 1: workstation; anything else: server
    unsigned suite_mask = 0;
    int processor_architecture = 0;  // 9: AMD64
    bool server_r2 = false;          // GetSystemMetrics(SM_SERVERR2) != 0
    unsigned product_info = 0;       // RtlGetProductInfo, asked only for major >= 6
    std::string registry_product_name;
};

// The product name for a Windows version record ("Windows 7", ...), the
// failure text for an unknown product code, or the empty text.
std::string describe_os(const OsVersionRecord& record);

// The text of the status bar's system pane on this platform.
std::string os_description();

}  // namespace vx::core
