// The program as a whole: start-up, one instance per user, error boxes and the shutdown order,
// with the real engine on the simulated radio.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <chrono>
#include <cstring>
#include <fstream>
#include <future>
#include <memory>
#include <thread>

#include "app/browser/nimbrel_view.h"
#include "app/dialogs/about_dlg.h"
#include "app/frame/main_frame.h"
#include "app/frame/modal.h"
#include "app/frame/nimbrel_app.h"
#include "app/frame/nimbrel_doc.h"
#include "app/frame/radio_switch.h"
#include "app/frame/single_instance.h"
#include "app/frame/tray_icon.h"
#include "engine/device/device_local.h"
#include "engine/frame/error_manager.h"
#include "engine/frame/notifications.h"
#include "sim/radio.h"

namespace {

constexpr int kWaitMs = 10000;

std::unique_ptr<CNimbrelApp> StartProgram() {
    auto app = std::make_unique<CNimbrelApp>();
    EXPECT_EQ(app->InitInstance(), CNimbrelApp::kStarted);
    return app;
}

struct Box {
    QString caption;
    QString text;
};

TEST(FrameProgram, EngineErrorsReachOneBoxEachButTheSilentCodesNone) {
    std::vector<Box> boxes;
    nimbrel::SetModalAnswerer([&boxes](QDialog& dialog) {
        boxes.push_back({dialog.windowTitle(), static_cast<QMessageBox&>(dialog).text()});
        return int(QMessageBox::Ok);
    });
    auto app = StartProgram();
    ASSERT_TRUE(app->GetMainFrame());
    boxes.clear();  // whatever the start reported
    // Reported on an engine thread, which must not wait for the user.
    std::thread reporter([] {
        for (int code : {70005, 70007, 70505, 70301, 70900}) RaiseError(code, L"test");
    });
    reporter.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.empty(); }, kWaitMs));
    QTest::qWait(0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].text, "SDP Bluetooth profile not found");
    nimbrel::SetModalAnswerer({});
}

struct Run {
    int exitCode = -1;
    QString errors;
};

// The program on `world` in a process of its own, its boxes dismissed as they open, for a user
// of `locale` (by default in the language its texts are written in, whoever runs the tests).
Run RunProgramOn(const std::string& world, const QStringList& arguments = {}, const QString& locale = "C.UTF-8") {
    QTemporaryDir folder;
    const QString path = folder.filePath("world.json");
    std::ofstream(path.toStdString()) << world;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("LANGUAGE");
    environment.remove("LC_MESSAGES");
    environment.insert("LC_ALL", locale);
    environment.insert("LANG", locale);
    environment.insert("NIMBREL_WORLD", path);
    environment.insert("NIMBREL_DISMISS_DIALOGS", "1");
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(NIMBREL_PROGRAM_PATH), arguments);
    if (!program.waitForFinished(30000)) {
        program.kill();
        program.waitForFinished();
        ADD_FAILURE() << "the program did not end";
    }
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            QString::fromLocal8Bit(program.readAllStandardError())};
}

void ExpectFailedStart(const Run& run, const QString& reason) {
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains("nimbrel: dismissed \"Error\": " + reason + "\n")) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains("\nnimbrel: " + reason + "\n")) << run.errors.toStdString();
}

TEST(FrameProgram, AStartTheEngineRefusesShowsItsReasonPrintsItAndExitsWith1) {
    ExpectFailedStart(RunProgramOn(R"({"adapter": {"stack": false}})"), "Can't access to the bluetooth stack");
    ExpectFailedStart(RunProgramOn(R"({"adapter": {"faults": ["stack-start"]}})"), "No Bluetooth hardware detected");
}

// Switched off, the adapter is the user's to switch on: left off, the program ends at once.
TEST(FrameProgram, AStartOnASwitchedOffAdapterAsksToSwitchItOnAndEndsWhenLeftOff) {
    const auto started = std::chrono::steady_clock::now();
    const auto run = RunProgramOn(R"({"adapter": {"powered": false}})", {"--backend", "sim"});
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8)) << "not after the hardware re-reads";
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains("nimbrel: dismissed \"Nimbrel\": Bluetooth is switched off. Switch it on?\n"))
        << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains("nimbrel: Bluetooth is switched off.\n")) << run.errors.toStdString();
    // Under a German locale the program asks in German from its first box on.
    const auto german = RunProgramOn(R"({"adapter": {"powered": false}})", {}, "de_DE.UTF-8");
    EXPECT_EQ(german.exitCode, 1);
    EXPECT_TRUE(
        german.errors.contains("nimbrel: dismissed \"Nimbrel\": Bluetooth ist ausgeschaltet. Jetzt einschalten?\n"))
        << german.errors.toStdString();
    const auto unknown = RunProgramOn("{}", {"--backend", "carrier-pigeon"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.errors.contains("unknown backend 'carrier-pigeon'")) << unknown.errors.toStdString();
}

TEST(FrameProgram, TheStatusBarNamesTheRadioAndItsSwitchPowersItOffAndOn) {
    auto app = StartProgram();
    CRadioSwitch* radio = app->GetMainFrame()->GetRadioSwitch();
    ASSERT_TRUE(radio);
    EXPECT_EQ(radio->text(), "Radio: sim");
    QAction* power = radio->PowerAction();
    EXPECT_EQ(power->text(), "Bluetooth On");
    EXPECT_TRUE(power->isChecked());

    power->trigger();
    EXPECT_FALSE(sim::Radio::Instance().adapter().powered);
    EXPECT_FALSE(power->isChecked());
    EXPECT_EQ(radio->text(), "Radio: sim (off)");
    // Switched on elsewhere (nimbrelctl): the menu shows it when it opens.
    ASSERT_EQ(sim::Radio::Instance().WritePower(true), 0u);
    Q_EMIT radio->menu()->aboutToShow();
    EXPECT_TRUE(power->isChecked());
    EXPECT_EQ(radio->text(), "Radio: sim");
    power->trigger();
    power->trigger();
    EXPECT_TRUE(sim::Radio::Instance().adapter().powered);

    CAboutDlg about;
    QLabel* named = about.findChild<QLabel*>("radioName");
    ASSERT_TRUE(named);
    EXPECT_EQ(named->text(), "Radio: sim");
}

TEST(FrameProgramSlow, AStartWithoutHardwareShowsWhyAfterWaitingForItAndExitsWith1) {
    // The engine reads the hardware's status again for ten seconds before it gives up.
    ExpectFailedStart(RunProgramOn(R"({"adapter": {"hardware": "not-present"}})"),
                      "The adapter is not present (HCI_HARDWARE_NOT_PRESENT).");
}

TEST(FrameProgram, ASecondStartBringsTheFirstToTheFrontAndEnds) {
    auto app = StartProgram();
    CMainFrame* frame = app->GetMainFrame();
    frame->hide();
    QProcess second;
    // A box the second start showed would end at once and be told, not hold the run up.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("NIMBREL_DISMISS_DIALOGS", "1");
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(NIMBREL_PROGRAM_PATH), {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, kWaitMs));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    const QString errors = QString::fromLocal8Bit(second.readAllStandardError());
    EXPECT_FALSE(errors.contains("nimbrel: dismissed")) << "the second start asks nothing: " << errors.toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->isVisible(); }, kWaitMs));
}

TEST(FrameProgram, ASocketLeftByACrashedInstanceDoesNotBlockAStart) {
    // A socket file nobody listens on, as a killed instance leaves it.
    const QByteArray path = single_instance::SocketName().toLocal8Bit();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(path.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, path.constData(), path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    close(fd);
    ASSERT_EQ(access(path.constData(), F_OK), 0);

    EXPECT_FALSE(single_instance::AskRunningInstance());
    auto app = StartProgram();
    ASSERT_TRUE(app->GetMainFrame());
    // This instance now answers on that name.
    auto asked = std::async(std::launch::async, [] { return single_instance::AskRunningInstance(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
                                kWaitMs));
    EXPECT_TRUE(asked.get());
}

TEST(FrameProgram, ExitFromTheNotificationMenuRunsTheShutdownOrder) {
    auto app = StartProgram();
    CMainFrame* frame = app->GetMainFrame();
    CDeviceLocal* device = app->GetDocument()->GetDeviceLocal();
    // No notification area on this platform: the window is the way in, shown from the start.
    ASSERT_FALSE(TrayIcon::Available());
    EXPECT_TRUE(frame->isVisible());
    ASSERT_TRUE(device->GetActivated());
    TrayIcon* tray = frame->GetActiveView()->GetTrayIcon();
    ASSERT_TRUE(tray);
    QList<QAction*> items = tray->Menu()->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), "Show");
    EXPECT_EQ(items[1]->text(), "Exit");
    items[1]->trigger();
    // At once: the engine off with its callbacks gone, the icon removed.
    EXPECT_EQ(FireNotification(NOTIFY_DEVICE_ADDED, 0), 0);
    EXPECT_EQ(FireNotification(NOTIFY_OBEX_DISCONNECTED, 0), 0);
    EXPECT_FALSE(device->GetActivated());
    EXPECT_FALSE(tray->Shown());
    // Then, posted: the view reset and the window closed.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frame->isVisible(); }, kWaitMs));
    EXPECT_EQ(frame->GetActiveView()->GetMode(), CNimbrelView::kNothing);
}

TEST(FrameProgram, WithoutANotificationAreaClosingTheWindowExits) {
    auto app = StartProgram();
    CMainFrame* frame = app->GetMainFrame();
    ASSERT_FALSE(TrayIcon::Available());
    frame->close();
    EXPECT_TRUE(frame->Exiting());
    EXPECT_FALSE(app->GetDocument()->GetDeviceLocal()->GetActivated());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frame->isVisible(); }, kWaitMs));
}

}  // namespace
