// One keystroke in the filter box `name` over 10,000 installed packages, on
// the real main window (offscreen): from setting the box's text, through the
// controller's filter and the list's rebuild, until the list holds the new
// rows ("rebuilt") and until the window has also processed its pending
// layout and paint ("painted"). For reference, the filter logic alone on the
// same lines. The target is one frame, 16 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QTreeWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "packages/package_filter.hpp"
#include "tests/support/program_fixture.hpp"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int package_count = 10'000;

// pip's order: names sorted, each first word starting with its own letter so
// that one letter matches a tenth of the list.
std::vector<std::string> installed_lines() {
    static const char* const words[] = {"aiohttp", "boto",   "cloud", "django", "extra",
                                        "flask",   "google", "http",  "idna",   "jupyter"};
    std::vector<std::string> lines;
    lines.reserve(package_count);
    for (int word = 0; word < 10; ++word) {
        for (int i = 0; i < package_count / 10; ++i) {
            char number[16];
            std::snprintf(number, sizeof number, "%05d", word * 1000 + i);
            lines.push_back(std::string(words[word]) + "-pkg-name-" + number + " 1.0." +
                            std::to_string(i % 7));
        }
    }
    return lines;
}

vx::test::ProgramFixture* program = nullptr;

QLineEdit* filter_box() {
    return program->find<QLineEdit>("name");
}
QTreeWidget* package_list() {
    return program->find<QTreeWidget>("列表框");
}

void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

// Counts the paints of the list's rows, to show that "painted" includes one.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

struct Keystroke {
    const char* before;  // the box's text before the keystroke
    const char* after;   // and after it
    int shown;           // rows expected afterwards
};

// The box is set to `before` and the window settles outside the timing; the
// keystroke is timed until the list is rebuilt, or until it is painted too.
void keystroke(benchmark::State& state, Keystroke key, bool paint) {
    QLineEdit* box = filter_box();
    QTreeWidget* list = package_list();
    PaintCounter counter;
    list->viewport()->installEventFilter(&counter);
    int paints = 0;
    for (auto _ : state) {
        box->setText(QString::fromUtf8(key.before));
        settle();
        counter.paints = 0;
        const auto start = Clock::now();
        box->setText(QString::fromUtf8(key.after));
        if (paint) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        paints += counter.paints;
    }
    list->viewport()->removeEventFilter(&counter);
    state.counters["list_paints"] = benchmark::Counter(paints, benchmark::Counter::kAvgIterations);
    if (list->topLevelItemCount() != key.shown) {
        state.SkipWithError("the list shows the wrong number of rows");
    }
    state.counters["shown"] = list->topLevelItemCount();
}

void logic_only(benchmark::State& state, Keystroke key) {
    const std::vector<std::string> lines = program->controller().state().installed_lines();
    std::size_t shown = 0;
    for (auto _ : state) {
        const auto items = vx::packages::filter_package_list(lines, key.after);
        shown = items.size();
        benchmark::DoNotOptimize(items);
    }
    if (shown != static_cast<std::size_t>(key.shown)) {
        state.SkipWithError("the filter keeps the wrong number of rows");
    }
    state.counters["shown"] = static_cast<double>(shown);
}

const Keystroke one_letter{"", "d", package_count / 10};
const Keystroke no_match{"", "q", 0};
const Keystroke back_to_empty{"d", "", package_count};

void register_benchmarks() {
    const struct {
        const char* name;
        Keystroke key;
    } cases[] = {
        {"one_letter", one_letter}, {"no_match", no_match}, {"back_to_empty", back_to_empty}};
    for (const auto& row : cases) {
        const std::string name = row.name;
        benchmark::RegisterBenchmark(("keystroke_rebuilt/" + name).c_str(), keystroke, row.key,
                                     false)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("keystroke_painted/" + name).c_str(), keystroke, row.key,
                                     true)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("filter_logic/" + name).c_str(), logic_only, row.key)
            ->Unit(benchmark::kMillisecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    // The real program on a real environment, started and unlocked; then
    // the installed lines are replaced by the large list.
    auto fixture = std::make_unique<vx::test::ProgramFixture>();
    program = fixture.get();
    if (program->start() != vx::core::StartupOutcome::ready || !program->wait_until_unlocked()) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    program->controller().state().set_installed_lines(installed_lines());
    filter_box()->setText("x");
    filter_box()->setText("");
    settle();
    if (package_list()->topLevelItemCount() != package_count) {
        std::fprintf(stderr, "the list does not show the %d packages\n", package_count);
        return 1;
    }

    register_benchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fixture.reset();
    return 0;
}
