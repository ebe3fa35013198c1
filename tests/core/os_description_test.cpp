#include "core/os_description.hpp"

#include <gtest/gtest.h>

#include "platform/os_release.hpp"

namespace vx::core {
namespace {

OsVersionRecord version(unsigned major, unsigned minor, int product_type = 1,
                        unsigned product_info = 48) {
    OsVersionRecord record;
    record.major = major;
    record.minor = minor;
    record.product_type = product_type;
    record.product_info = product_info;
    return record;
}

TEST(DescribeOs, names_each_version_of_the_table) {
    struct Row {
        const char* name;
        OsVersionRecord record;
        std::string expected;
    };
    OsVersionRecord server_10 = version(10, 0, 3, 7);
    server_10.registry_product_name = "Windows Server 2019 Standard";
    OsVersionRecord r2 = version(5, 2, 3);
    r2.server_r2 = true;
    OsVersionRecord storage = version(5, 2, 3);
    storage.suite_mask = 0x2000;
    OsVersionRecord home = version(5, 2, 3);
    home.suite_mask = 0x8000;
    OsVersionRecord xp64 = version(5, 2, 1);
    xp64.processor_architecture = 9;
    OsVersionRecord failed;
    failed.version_info_available = false;
    const Row rows[] = {
        {"windows 7 professional", version(6, 1), "Windows 7"},
        {"windows 10 code 48", version(10, 0), "Windows 10"},
        {"windows 10 code 4", version(10, 0, 1, 4), "Windows 10"},
        {"unknown code on 10.0", version(10, 0, 1, 101), "获取失败，请检查版本:10.0"},
        {"code 5 is unknown", version(6, 1, 1, 5), "获取失败，请检查版本:6.1"},
        {"code 24 is unknown", version(6, 3, 1, 24), "获取失败，请检查版本:6.3"},
        {"server 10 from registry", server_10, "Windows Server 2019 Standard"},
        {"10.1 is unnamed", version(10, 1), ""},
        {"vista", version(6, 0), "Windows Vista"},
        {"server 2008", version(6, 0, 2), "Windows Server 2008"},
        {"server 2008 r2", version(6, 1, 3), "Windows Server 2008 R2"},
        {"windows 8", version(6, 2), "Windows 8"},
        {"server 2012 r2", version(6, 3, 2, 121), "Windows Server 2012 R2"},
        {"6.4 is unnamed", version(6, 4), ""},
        {"windows 2000", version(5, 0, 1, 0), "Windows 2000"},
        {"xp asks no code", version(5, 1, 1, 0), "Windows XP"},
        {"server 2003 r2", r2, "Windows Server 2003 R2, "},
        {"storage server", storage, "Windows Storage Server 2003"},
        {"home server", home, "Windows Home Server"},
        {"xp x64", xp64, "Windows XP Professional x64 Edition"},
        {"server 2003 keeps comma", version(5, 2, 3, 0), "Windows Server 2003, "},
        {"windows 98", version(4, 10, 1, 0), "Windows 98"},
        {"unknown old version", version(3, 51, 1, 0), ""},
        {"version call failed", failed, ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(describe_os(row.record), row.expected) << row.name;
    }
}

TEST(LinuxOsDescription, reads_pretty_name) {
    EXPECT_EQ(platform::pretty_name_of(
                  "NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
              "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(platform::pretty_name_of("ID=x\n"), "");
    EXPECT_FALSE(os_description().empty());
}

}  // namespace
}  // namespace vx::core
