// The engine's notifications reach the program as queued signals on the user-interface thread,
// whichever thread fires them, and nothing reaches an events object once it is gone.
#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

#include "app/frame/engine_events.h"
#include "engine/frame/notifications.h"

namespace {

TEST(FrameEvents, NotificationsArriveQueuedOnTheWindowThreadAndStopWithTheObject) {
    auto events = std::make_unique<EngineEvents>();
    events->Listen(true);
    std::vector<EngineEvents::ServiceKey> connected;
    QThread* handledOn = nullptr;
    QObject::connect(
        events.get(), &EngineEvents::connected, events.get(),
        [&](EngineEvents::ServiceKey service) {
            connected.push_back(service);
            handledOn = QThread::currentThread();
        },
        Qt::QueuedConnection);

    FireNotification(NOTIFY_CONNECTED, 7);
    EXPECT_TRUE(connected.empty()) << "never inside the engine's call";
    std::thread([] { FireNotification(NOTIFY_CONNECTED, 8); }).join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return connected.size() == 2; }, 10000));
    EXPECT_EQ(connected, (std::vector<EngineEvents::ServiceKey>{7, 8}));
    EXPECT_EQ(handledOn, QCoreApplication::instance()->thread());

    events.reset();
    FireNotification(NOTIFY_CONNECTED, 9);  // registered no longer, and no object to reach
    EngineEvents::ReportError(0, QStringLiteral("after the window"));
    QCoreApplication::processEvents();
    EXPECT_EQ(connected.size(), 2u);
}

}  // namespace
