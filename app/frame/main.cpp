// nimbrel: the desktop program, on the radio `--backend sim|bluez|auto` (else NIMBREL_BACKEND,
// else auto) chooses; `--search` starts a device search at once (start_search.h).
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "app/frame/modal.h"
#include "app/frame/nimbrel_app.h"
#include "app/frame/start_search.h"
#include "app/frame/translations.h"
#include "tools/common/backend_choice.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// SIGINT and SIGTERM end the event loop, so the program shuts down as after "Exit" (the
// handler only writes to a pipe the loop watches).
int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t written = write(g_signalPipe[1], &byte, 1);
}

void QuitOnSignals(QApplication& app) {
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
}

// NIMBREL_DISMISS_DIALOGS set: every dialog and message box ends at once as if the user had
// closed it, its caption and text written to standard error, so that an unattended run (a test,
// a script) never waits for a user.
void DismissDialogsWhenAsked() {
    if (!Set("NIMBREL_DISMISS_DIALOGS")) return;
    nimbrel::SetModalAnswerer([](QDialog& dialog) {
        auto* box = qobject_cast<QMessageBox*>(&dialog);
        const QString text = box ? QStringLiteral(": ") + box->text() : QString();
        std::fprintf(stderr, "nimbrel: dismissed \"%s\"%s\n", dialog.windowTitle().toLocal8Bit().constData(),
                     text.toLocal8Bit().constData());
        if (!box) return int(QDialog::Rejected);
        const QMessageBox::StandardButtons buttons = box->standardButtons();
        if (buttons & QMessageBox::Cancel) return int(QMessageBox::Cancel);
        if (buttons & QMessageBox::No) return int(QMessageBox::No);
        return int(QMessageBox::Ok);
    });
}

// The program's own options, taken out of the arguments before Qt reads them.
struct Options {
    std::optional<std::string> backend;  // `--backend NAME` or `--backend=NAME`
    bool search = false;                 // `--search`
};

// False when `--backend` has no value.
bool TakeOwnOptions(int& argc, char** argv, Options* options) {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--backend") {
            if (i + 1 >= argc) return false;
            options->backend = argv[++i];
        } else if (argument.rfind("--backend=", 0) == 0) {
            options->backend = argument.substr(std::strlen("--backend="));
        } else if (argument == "--search") {
            options->search = true;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY") && !Set("QT_QPA_PLATFORM")) {
        std::fputs(
            "nimbrel: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
            "Run it from a desktop session, or use the console host instead, for example:\n"
            "  build/default/tools/nimbrelctl scan\n"
            "  build/default/tools/nimbrelctl --help\n",
            stderr);
        return 1;
    }
    Options options;
    if (!TakeOwnOptions(argc, argv, &options)) {
        std::fputs("nimbrel: --backend needs a value: sim, bluez or auto\n", stderr);
        return 2;
    }
    hostbackend::Choice backend = hostbackend::Choice::Auto;
    std::string error;
    if (!hostbackend::ResolveChoice(options.backend ? &*options.backend : nullptr, &backend, &error)) {
        std::fprintf(stderr, "nimbrel: %s\n", error.c_str());
        return 2;
    }
    QApplication app(argc, argv);
    translations::Install();  // the user's language, before the first box or window
    QApplication::setApplicationName(QStringLiteral("nimbrel"));
    QApplication::setDesktopFileName(QStringLiteral("org.nimbrel.Nimbrel"));
    // The window hides on close; the program ends through "Exit".
    QApplication::setQuitOnLastWindowClosed(false);
    QuitOnSignals(app);
    DismissDialogsWhenAsked();

    switch (hostbackend::Install(backend, &error)) {
    case hostbackend::Outcome::kInstalled: break;
    case hostbackend::Outcome::kBadWorld: std::fprintf(stderr, "nimbrel: %s\n", error.c_str()); return 2;
    case hostbackend::Outcome::kUnavailable:
        std::fprintf(stderr, "nimbrel: %s\n", error.c_str());
        nimbrel::ShowError(nullptr, QString::fromStdString(error));
        return 1;
    }

    CNimbrelApp nimbrel;
    switch (nimbrel.InitInstance()) {
    case CNimbrelApp::kOtherInstance: return 0;
    case CNimbrelApp::kFailed:
        for (const QString& line : nimbrel.StartFailure().split(QLatin1Char('\n')))
            std::fprintf(stderr, "nimbrel: %s\n", line.toLocal8Bit().constData());
        return 1;
    case CNimbrelApp::kStarted: break;
    }
    if (options.search) start_search::Run(*nimbrel.GetMainFrame());
    return QApplication::exec();
}
