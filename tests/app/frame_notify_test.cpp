// The program's messages outside its window go to the desktop's notification service: here a
// python-dbusmock notification daemon on a private session bus.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "browser_program.h"
#include "engine/frame/cregistry.h"
#include "sim/radio.h"
#include "support/background_command.h"

namespace {

using browsertest::Answers;
using browsertest::Program;

// A session bus of our own with a notification daemon on it, in this process's environment
// while it lives.
class NotificationDaemon {
public:
    NotificationDaemon() {
        bus_.emplace("/usr/bin/dbus-daemon", std::vector<std::string>{"--session", "--nofork", "--print-address"});
        const auto address = bus_->running() ? bus_->ReadLine(std::chrono::seconds(10)) : std::nullopt;
        if (!address || address->empty()) return;
        address_ = *address;
        setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
        daemon_.emplace("/usr/bin/python3",
                        std::vector<std::string>{"-m", "dbusmock", "--template", "notification_daemon"},
                        std::vector<std::string>{"DBUS_SESSION_BUS_ADDRESS=" + address_, "PYTHONDONTWRITEBYTECODE=1"});
        observer_ = QDBusConnection::connectToBus(QString::fromStdString(address_), QStringLiteral("observer"));
        ready_ = QTest::qWaitFor([&] { return Owned(); }, 10000);
    }
    ~NotificationDaemon() {
        QDBusConnection::disconnectFromBus(QStringLiteral("observer"));
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    bool ready() const { return ready_; }

    // The (summary, body, actions) of every Notify call so far.
    std::vector<std::tuple<QString, QString, QStringList>> Notifications() {
        std::vector<std::tuple<QString, QString, QStringList>> seen;
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                                           QStringLiteral("/org/freedesktop/Notifications"),
                                                           QStringLiteral("org.freedesktop.DBus.Mock"),
                                                           QStringLiteral("GetMethodCalls"));
        call << QStringLiteral("Notify");
        const QDBusMessage reply = observer_.call(call, QDBus::Block, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return seen;
        const QDBusArgument calls = reply.arguments().at(0).value<QDBusArgument>();
        calls.beginArray();
        while (!calls.atEnd()) {
            qulonglong time = 0;
            QVariantList arguments;
            calls.beginStructure();
            calls >> time >> arguments;
            calls.endStructure();
            if (arguments.size() < 6) continue;
            const QStringList actions = qdbus_cast<QStringList>(arguments.at(5));
            seen.emplace_back(qdbus_cast<QString>(arguments.at(3)), qdbus_cast<QString>(arguments.at(4)), actions);
        }
        calls.endArray();
        return seen;
    }

private:
    bool Owned() {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                           QStringLiteral("/org/freedesktop/DBus"),
                                                           QStringLiteral("org.freedesktop.DBus"),
                                                           QStringLiteral("NameHasOwner"));
        call << QStringLiteral("org.freedesktop.Notifications");
        const QDBusMessage reply = observer_.call(call, QDBus::Block, 2000);
        return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
    }

    std::optional<testsupport::BackgroundCommand> bus_;
    std::optional<testsupport::BackgroundCommand> daemon_;
    std::string address_;
    QDBusConnection observer_{QStringLiteral("none")};
    bool ready_ = false;
};

TEST(FrameNotify, AFilePushedToTheProgramRaisesANotificationNamingItWithItsFolder) {
    NotificationDaemon daemon;
    if (access("/usr/bin/dbus-daemon", X_OK) != 0) GTEST_SKIP() << "dbus-daemon is not installed";
    ASSERT_TRUE(daemon.ready()) << "the notification daemon did not start";
    Program program(R"({"devices": [{"name": "Laptop", "address": "00:0E:9F:11:22:33", "paired_pin": "1234"}]})");
    std::atomic<bool> done{false};
    obex::SessionResult result;
    std::thread pusher([&] {
        const std::string text = "holiday pictures";
        sim::Radio::Instance().PushToServer(0x000E9F112233, L"beach.jpg",
                                            std::vector<std::uint8_t>(text.begin(), text.end()), &result);
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 30000));
    pusher.join();
    ASSERT_EQ(result.response, obex::ResponseCode::Success);
    std::vector<std::tuple<QString, QString, QStringList>> seen;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !(seen = daemon.Notifications()).empty(); }, 10000));
    ASSERT_EQ(seen.size(), 1u);
    const auto& [summary, body, actions] = seen.front();
    EXPECT_EQ(summary, "File received");
    EXPECT_TRUE(body.startsWith(QStringLiteral("Received \u201C" "beach.jpg\u201D (16 bytes) from 00:0E:9F:11:22:33")))
        << body.toStdString();
    EXPECT_EQ(actions, (QStringList{QStringLiteral("open-folder"), QStringLiteral("Open folder")}));
}

// A connected serial link whose device walks away is told as lost, and as back once the
// connection monitor (every second here) has reconnected it.
TEST(FrameNotifySlow, ALostLinkAndItsReturnAreTold) {
    NotificationDaemon daemon;
    if (access("/usr/bin/dbus-daemon", X_OK) != 0) GTEST_SKIP() << "dbus-daemon is not installed";
    ASSERT_TRUE(daemon.ready()) << "the notification daemon did not start";
    CRegistry().WriteValueDword(L"Scan Period", 1);
    Program program(R"({"devices": [{"name": "Phone", "address": "00:00:00:00:00:02", "class": "0x214",
                                     "services": [{"profile": "spp"}]}]})");
    ASSERT_TRUE(program.Search(1));
    program.DoubleClick(program.RowOf("Phone"));
    Answers answers;
    program.DoubleClick(program.WaitForRow("Serial Port"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.Overlay(program.RowOf("Serial Port")) == 2; }, 10000));

    const auto told = [&](const QString& summary) {
        for (const auto& [seenSummary, body, actions] : daemon.Notifications())
            if (seenSummary == summary) return body;
        return QString();
    };
    program.View()->GetFrame()->hide();  // to the notification area
    ASSERT_TRUE(QTest::qWaitFor([&] { return !program.View()->GetFrame()->isActiveWindow(); }, 5000));
    sim::Radio::Instance().Leave(0x02);
    QString body;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !(body = told("Link lost")).isEmpty(); }, 15000));
    EXPECT_EQ(body, "Service Serial Port on Phone disconnected!");
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.Overlay(program.RowOf("Serial Port")) == 4; }, 10000));
    sim::Radio::Instance().Return(0x02);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !(body = told("Link re-established")).isEmpty(); }, 15000));
    EXPECT_EQ(body, "Serial Port is connected again.");
    EXPECT_EQ(program.Overlay(program.RowOf("Serial Port")), 2);
}

}  // namespace
