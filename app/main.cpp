// Verdanex: a window over pip for one Python interpreter.
#include <QApplication>
#include <QSocketNotifier>

#include <cstdlib>

#include "core/ui/main_controller.hpp"
#include "core/ui/qt_prompter.hpp"
#include "http/request_object.hpp"
#include "platform/paths.hpp"
#include "platform/termination_signals.hpp"

int main(int argc, char** argv) {
    vx::http::http_global_init();  // before any worker thread exists
    QApplication app(argc, argv);
    app.setApplicationName("Verdanex");

    const std::string run_dir = vx::platform::executable_dir();
    vx::ui::QtPrompter prompter;
    vx::ui::MainController controller({run_dir, run_dir + "/Config.ini"}, prompter);

    // A termination signal closes the window as the user would, clean-up included.
    QSocketNotifier termination(vx::platform::termination_signal_fd(), QSocketNotifier::Read);
    QObject::connect(&termination, &QSocketNotifier::activated, [&] {
        if (vx::platform::drain_termination_signals(int(termination.socket()))) {
            controller.window().close();
            QApplication::quit();
        }
    });
    QObject::connect(&controller, &vx::ui::MainController::program_should_end, [&] {
        controller.window().close();
        QApplication::quit();
    });

    if (controller.start() == vx::core::StartupOutcome::another_copy_running) {
        controller.shut_down();
        return EXIT_SUCCESS;
    }
    const int code = QApplication::exec();
    controller.shut_down();
    if (!controller.wait_for_workers(std::chrono::seconds(2))) {
        // A worker is still waiting on the network; its results have nowhere
        // to go and nothing of ours is half-written, so end without it.
        std::_Exit(code);
    }
    return code;
}
