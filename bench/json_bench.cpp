// Reading a package index record the way the lookup does: construct a
// document, parse the reply, read the nine fields, clear, destroy. The data
// parse (C++ tree) against the script parse (eval splice) and against the
// value handed to the engine through JSON.parse; Python's json.loads plus
// the same reads on the same file, timed in-process by Python itself; and
// what one document with its engine costs to create and destroy. With
// VX_BENCH_RESULTS naming a file, Python's figures are also appended to it as
// JSON lines (see bench/run); the rest comes from --benchmark_out.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QJSEngine>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_results.hpp"
#include "info/json_document.hpp"

namespace {

using vx::info::JsonDocument;

const char* const fields[] = {
    "['info']['version']",      "['urls'][0]['upload_time']",  "['info']['author']",
    "['info']['author_email']", "['info']['home_page']",       "['info']['summary']",
    "['info']['license']",      "['info']['requires_python']", "['info']['requires_dist']"};

std::string file_entry(const std::string& version, int index, bool wheel) {
    const std::string n = std::to_string(index);
    const std::string name =
        "example_package-" + version + (wheel ? "-py3-none-any.whl" : ".tar.gz");
    const std::string hash(64, "0123456789abcdef"[index % 16]);
    return R"({"comment_text":"","digests":{"blake2b_256":")" + hash + R"(","md5":")" +
           hash.substr(0, 32) + R"(","sha256":")" + hash + R"("},"downloads":-1,"filename":")" +
           name + R"(","has_sig":false,"md5_digest":")" + hash.substr(0, 32) +
           R"(","packagetype":")" + (wheel ? "bdist_wheel" : "sdist") + R"(","python_version":")" +
           (wheel ? "py3" : "source") + R"(","requires_python":">=3.8","size":)" +
           std::to_string(100000 + index * 37) + R"(,"upload_time":"2023-0)" +
           std::to_string(1 + index % 9) + R"(-1)" + std::to_string(index % 10) + R"(T12:34:5)" +
           std::to_string(index % 10) +
           R"(","upload_time_iso_8601":"2023-01-10T12:34:56.789012Z","url":"https://files.example.org/packages/)" +
           hash.substr(0, 2) + "/" + hash.substr(2, 2) + "/" + hash.substr(4) + "/" + name +
           R"(","yanked":false,"yanked_reason":null})";
}

// A record shaped like the index's JSON reply for a package with a long
// release history, about target bytes long.
std::string index_record(std::size_t target) {
    std::string info =
        R"({"info":{"author":"Jane Q. Developer","author_email":"jane@example.org",)"
        R"("bugtrack_url":null,"classifiers":["Development Status :: 5 - Production/Stable",)"
        R"("License :: OSI Approved :: MIT License","Programming Language :: Python :: 3"],)"
        R"("description":"An example package.\n\nWith a \"long\" description \u4f60\u597d.",)"
        R"("description_content_type":"text/markdown","docs_url":null,"download_url":"",)"
        R"("home_page":"https://example.org/package","keywords":"example,bench",)"
        R"("license":"MIT","maintainer":"","maintainer_email":"","name":"example-package",)"
        R"("package_url":"https://pypi.org/project/example-package/","platform":null,)"
        R"("project_url":"https://pypi.org/project/example-package/","project_urls":)"
        R"({"Homepage":"https://example.org/package","Source":"https://example.org/src"},)"
        R"("release_url":"https://pypi.org/project/example-package/9.9.9/",)"
        R"("requires_dist":["requests>=2.0","idna<4,>=2.5","pytest; extra == \"test\""],)"
        R"("requires_python":">=3.8","summary":"An example package for benchmarks",)"
        R"("version":"9.9.9","yanked":false,"yanked_reason":null},"last_serial":123456,"releases":{)";
    std::string text = info;
    int version = 0;
    int file = 0;
    while (text.size() < target) {
        const std::string v = std::to_string(version / 100) + "." +
                              std::to_string(version / 10 % 10) + "." +
                              std::to_string(version % 10);
        text += (version > 0 ? ",\"" : "\"") + v + "\":[";
        for (int i = 0; i < 8; ++i) {
            text += (i > 0 ? "," : "") + file_entry(v, file++, i % 2 == 0);
        }
        text += "]";
        ++version;
    }
    text += R"(},"urls":[)" + file_entry("9.9.9", 1, true) + "," + file_entry("9.9.9", 2, false) +
            R"(],"vulnerabilities":[]})";
    return text;
}

const std::string& record() {
    static const std::string text = index_record(10 * 1024 * 1024);
    return text;
}

std::size_t read_fields(JsonDocument& document) {
    std::size_t bytes = 0;
    for (const char* field : fields) {
        bytes += document.get_text(field).size();
    }
    return bytes;
}

void data_parse_and_reads(benchmark::State& state) {
    for (auto _ : state) {
        JsonDocument document;
        document.parse_data(record());
        benchmark::DoNotOptimize(read_fields(document));
        document.clear();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * record().size()));
}
BENCHMARK(data_parse_and_reads)->Unit(benchmark::kMillisecond);

void script_parse_and_reads(benchmark::State& state) {
    for (auto _ : state) {
        JsonDocument document;
        document.parse(record());
        benchmark::DoNotOptimize(read_fields(document));
        document.clear();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * record().size()));
}
BENCHMARK(script_parse_and_reads)->Unit(benchmark::kMillisecond)->Iterations(3);

void engine_json_parse_and_reads(benchmark::State& state) {
    for (auto _ : state) {
        JsonDocument document;
        document.parse_data(record());
        document.engine();  // the value goes to the engine through JSON.parse
        benchmark::DoNotOptimize(read_fields(document));
        document.clear();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * record().size()));
}
BENCHMARK(engine_json_parse_and_reads)->Unit(benchmark::kMillisecond)->Iterations(3);

void document_create_destroy(benchmark::State& state) {
    for (auto _ : state) {
        JsonDocument document;
        benchmark::DoNotOptimize(document.has_engine());
    }
}
BENCHMARK(document_create_destroy)->Unit(benchmark::kMicrosecond);

// For scale: the engine alone, without the start script and the watchdog.
void bare_engine_create_destroy(benchmark::State& state) {
    for (auto _ : state) {
        QJSEngine engine;
        benchmark::DoNotOptimize(&engine);
    }
}
BENCHMARK(bare_engine_create_destroy)->Unit(benchmark::kMicrosecond);

long resident_kib() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE) / 1024;
}

// Memory of documents kept alive together, and what is left after they go.
void report_memory() {
    constexpr int count = 50;
    {
        JsonDocument warm;  // the first engine loads shared state once
    }
    const long before = resident_kib();
    {
        std::vector<std::unique_ptr<JsonDocument>> documents;
        for (int i = 0; i < count; ++i) {
            documents.push_back(std::make_unique<JsonDocument>());
        }
        const long alive = resident_kib();
        std::printf("memory: %d documents alive add %ld KiB RSS, %.0f KiB each\n", count,
                    alive - before, static_cast<double>(alive - before) / count);
    }
    std::printf("memory: after destroying them RSS is %+ld KiB from before\n",
                resident_kib() - before);
    const long before_parse = resident_kib();
    {
        JsonDocument document;
        document.parse_data(record());
        std::printf("memory: one document holding the %.1f MB record (tree) adds %ld KiB RSS\n",
                    static_cast<double>(record().size()) / 1e6, resident_kib() - before_parse);
    }
}

void record(const char* name, double value, const char* unit) {
    vx::bench::record_result("json_bench", name, value, unit);
}

// Python reads the same file and times json.loads plus the nine reads itself.
void report_python(const std::string& path) {
    const std::string script =
        "import json,time,sys\n"
        "text=open(sys.argv[1],encoding='utf-8').read()\n"
        "def reads(d):\n"
        " i=d['info']; u=d['urls']\n"
        " return [i['version'], u[0]['upload_time'] if u else '', i['author'], i['author_email'],"
        " i['home_page'], i['summary'], i['license'] or '', i['requires_python'] or '',"
        " ','.join(i['requires_dist'] or [])]\n"
        "times=[]\n"
        "for _ in range(10):\n"
        " t=time.perf_counter(); d=json.loads(text); r=reads(d); "
        "times.append(time.perf_counter()-t)\n"
        " del d\n"
        "print('python json.loads + 9 reads: mean %.1f ms, min %.1f ms over %d runs' % "
        "(1000*sum(times)/len(times), 1000*min(times), len(times)))\n"
        "print('vx-result %.6f %.6f' % (1000*sum(times)/len(times), 1000*min(times)))\n";
    const std::string script_path = path + ".py";
    std::ofstream(script_path) << script;
    const std::string command = "python3 " + script_path + " " + path;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, pipe) != nullptr) {
            double mean = 0;
            double best = 0;
            if (std::sscanf(line, "vx-result %lf %lf", &mean, &best) == 2) {
                record("python_json_loads_reads_mean", mean, "ms");
                record("python_json_loads_reads_min", best, "ms");
            } else {
                std::fputs(line, stdout);
            }
        }
        pclose(pipe);
    }
    std::remove(script_path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    std::printf("record: %zu bytes\n", record().size());
    report_memory();  // first, while freed memory cannot hide new allocations
    std::fflush(stdout);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    char path[] = "/tmp/vx-json-bench-XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0) {
        close(fd);
        std::ofstream(path, std::ios::binary) << record();
        report_python(path);
        std::remove(path);
    }
    return 0;
}
