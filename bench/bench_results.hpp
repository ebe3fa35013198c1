#pragma once
// Hands one figure to bench/run: a JSON line appended to the file that
// VX_BENCH_RESULTS names (nothing when it is unset).
#include <cstdio>
#include <cstdlib>

namespace vx::bench {

inline void record_result(const char* program, const char* name, double value, const char* unit) {
    const char* path = std::getenv("VX_BENCH_RESULTS");
    if (path == nullptr || *path == '\0') {
        return;
    }
    if (FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "{\"program\":\"%s\",\"name\":\"%s\",\"value\":%.6g,\"unit\":\"%s\"}\n",
                     program, name, value, unit);
        std::fclose(file);
    }
}

}  // namespace vx::bench
