#include "tests/support/test_ca.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace vx::test {
namespace {

constexpr const char* ca_config = R"([req]
distinguished_name = dn
prompt = no
x509_extensions = ca
[dn]
CN = Verdanex Test CA
[ca]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid:always
)";

constexpr const char* server_extensions = R"([server]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1,DNS:localhost
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid,issuer
)";

// Runs openssl with its output in log; throws with that output when it fails.
void run_openssl(const std::vector<std::string>& arguments, const std::filesystem::path& log) {
    std::vector<std::string> argv = {"openssl"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> args;
    for (std::string& arg : argv) {
        args.push_back(arg.data());
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, "openssl", &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("TestCa: cannot start openssl");
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("TestCa: openssl " + arguments.front() +
                                 " failed: " + read_file(log));
    }
}

}  // namespace

TestCa::TestCa() {
    const auto in_dir = [this](const char* name) { return (dir_ / name).string(); };
    write_file(dir_ / "ca.cnf", ca_config);
    write_file(dir_ / "server.cnf", server_extensions);
    const std::filesystem::path log = dir_ / "openssl.log";
    run_openssl({"req", "-x509", "-new", "-newkey", "ec", "-pkeyopt",
                 "ec_paramgen_curve:prime256v1", "-nodes", "-sha256", "-days", "3", "-config",
                 in_dir("ca.cnf"), "-keyout", in_dir("ca.key"), "-out", in_dir("ca.pem")},
                log);
    run_openssl({"req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                 "-nodes", "-config", in_dir("ca.cnf"), "-subj", "/CN=127.0.0.1", "-keyout",
                 in_dir("server.key"), "-out", in_dir("server.csr")},
                log);
    run_openssl(
        {"x509", "-req", "-sha256", "-days", "3", "-set_serial", "4096", "-in",
         in_dir("server.csr"), "-CA", in_dir("ca.pem"), "-CAkey", in_dir("ca.key"), "-extfile",
         in_dir("server.cnf"), "-extensions", "server", "-out", in_dir("server.pem")},
        log);
}

const TestCa& TestCa::shared() {
    static const TestCa ca;
    return ca;
}

}  // namespace vx::test
