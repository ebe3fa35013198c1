// Takes the README's screenshots of the real windows, offscreen, against a
// local package index and a real environment:
//   vx_screenshots OUTPUT_FOLDER
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "chooser/ui/chooser_window.hpp"
#include "tests/support/package_index.hpp"
#include "tests/support/program_fixture.hpp"

namespace {

using vx::test::ProgramFixture;

bool save(QWidget& widget, const std::filesystem::path& file) {
    const bool ok = widget.grab().save(QString::fromStdString(file.string()));
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", file.c_str());
    return ok;
}

bool search(ProgramFixture& program, const char* name) {
    program.find<QLineEdit>("n")->setText(name);
    program.find<QPushButton>("ss")->click();
    return vx::test::wait_until([&] { return program.visible("mn") && program.unlocked(); });
}

// The window with its popup menu drawn where the menu button opens it.
bool save_with_menu(ProgramFixture& program, const std::filesystem::path& file) {
    QMenu* menu = program.window().popup_menu();
    menu->popup(program.window().mapToGlobal(QPoint(540, 32)));
    QCoreApplication::processEvents();
    QPixmap picture = program.window().grab();
    QPainter painter(&picture);
    painter.drawPixmap(QPoint(540, 32), menu->grab());
    painter.end();
    menu->hide();
    const bool ok = picture.save(QString::fromStdString(file.string()));
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", file.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vx_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path out = std::filesystem::absolute(argv[1]);
    std::filesystem::create_directories(out);

    vx::test::PackageIndex index;
    ProgramFixture program({.config = "[com]\nn0=[当前]清华源\ny0=" + index.simple_url() +
                                      "\ninfo_host=" + index.host() + "\n",
                            .pip = index.pip_settings()});
    if (!program.py()->pip({"install", "vxapp", "Vx_Mixed.Name"}).ok()) {
        return 1;
    }
    program.start();
    if (!program.wait_until_unlocked()) {
        return 1;
    }
    bool ok = save(program.window(), out / "main_window.png");
    ok = save_with_menu(program, out / "popup_menu.png") && ok;
    ok = search(program, "vxdemo") && save(program.window(), out / "info_installed.png") && ok;
    ok = search(program, "vx_mixed.name") && ok;
    program.find<QLineEdit>("n")->clear();
    ok =
        search(program, "vxbroken") && save(program.window(), out / "info_not_installed.png") && ok;

    program.window().popup_menu()->actions().back()->trigger();
    if (auto* chooser = program.controller().chooser_window()) {
        ok = save(*chooser, out / "chooser.png") && ok;
        chooser->close();
    }
    return ok ? 0 : 1;
}
