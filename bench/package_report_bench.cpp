// Reading a large "pip list" report: our one-sweep reduction against the
// step-by-step rule (one full pass per pair of hyphens), and one keystroke of
// the name filter over the resulting lines.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "packages/package_filter.hpp"
#include "packages/package_report.hpp"
#include "tests/packages/literal_package_report.hpp"

namespace {

using vx::packages::PackageReport;

// pip's column layout: names padded with spaces to the widest name, a dashed
// rule under the titles, LF line ends. Names carry several hyphens each.
std::string synthetic_report(std::size_t packages) {
    static const char* const prefixes[] = {"azure-mgmt-", "google-cloud-", "django-",
                                           "flask-",      "py-",           "types-"};
    static const char* const words[] = {
        "core", "storage", "auth-helpers", "compute", "rest-framework-extensions", "x"};
    std::vector<std::string> names;
    names.reserve(packages);
    for (std::size_t i = 0; i < packages; ++i) {
        names.push_back(std::string(prefixes[i % 6]) + words[(i / 6) % 6] + "-" +
                        std::to_string(i));
    }
    std::size_t width = 0;
    for (const auto& name : names) {
        width = std::max(width, name.size());
    }
    std::string text = "Package" + std::string(width - 7 + 1, ' ') + "Version\n";
    text += std::string(width, '-') + " " + std::string(12, '-') + "\n";
    for (std::size_t i = 0; i < packages; ++i) {
        text += names[i] + std::string(width - names[i].size() + 1, ' ') + std::to_string(i % 17) +
                "." + std::to_string(i % 5) + ".0\n";
    }
    return text;
}

void ours(benchmark::State& state) {
    const std::string report = synthetic_report(static_cast<std::size_t>(state.range(0)));
    std::size_t lines = 0;
    for (auto _ : state) {
        std::string last_output = report;
        const PackageReport result = vx::packages::fill_package_list(last_output);
        lines = result.installed_lines.size();
        benchmark::DoNotOptimize(result);
    }
    state.counters["bytes"] = static_cast<double>(report.size());
    state.counters["passes"] =
        static_cast<double>(std::count(report.begin(), report.end(), '-') / 2);
    state.counters["lines"] = static_cast<double>(lines);
}

// Runs the rule pass by pass, then checks that ours gives the same lines,
// items and reduced text.
void literal(benchmark::State& state) {
    const std::string report = synthetic_report(static_cast<std::size_t>(state.range(0)));
    PackageReport expected;
    std::string expected_text;
    for (auto _ : state) {
        expected_text = vx::packages::literal::to_crlf(report);
        expected = vx::packages::literal::fill_package_list(expected_text);
        benchmark::DoNotOptimize(expected);
    }
    std::string last_output = report;
    const PackageReport result = vx::packages::fill_package_list(last_output);
    if (result.installed_lines != expected.installed_lines || result.items != expected.items ||
        last_output != vx::text::replace_all(expected_text, "\r\n", "\n")) {
        state.SkipWithError("results differ from the step-by-step rule");
    }
    state.counters["bytes"] = static_cast<double>(report.size());
    state.counters["passes"] =
        static_cast<double>(std::count(report.begin(), report.end(), '-') / 2);
}

void filter_keystroke(benchmark::State& state, const char* filter_text) {
    std::string last_output = synthetic_report(10'000);
    const PackageReport report = vx::packages::fill_package_list(last_output);
    std::size_t shown = 0;
    for (auto _ : state) {
        const auto items = vx::packages::filter_package_list(report.installed_lines, filter_text);
        shown = items.size();
        benchmark::DoNotOptimize(items);
    }
    state.counters["shown"] = static_cast<double>(shown);
}

}  // namespace

BENCHMARK(ours)->Arg(1'000)->Arg(10'000)->Unit(benchmark::kMillisecond);
// The rule costs one full pass per pair of hyphens: measured once per size.
BENCHMARK(literal)->Arg(1'000)->Arg(10'000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(filter_keystroke, one_sixth_match, "Az")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(filter_keystroke, no_match, "q")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(filter_keystroke, empty_shows_all, "")->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
