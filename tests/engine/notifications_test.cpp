#include <gtest/gtest.h>

#include "engine/frame/notifications.h"

namespace {

int g_calls[2] = {0, 0};
NOTIFY_VALUE g_lastValue = 0, g_lastUser = 0;

int First(NOTIFY_VALUE value, NOTIFY_VALUE user) {
    ++g_calls[0];
    g_lastValue = value;
    g_lastUser = user;
    return 0;
}
int Second(NOTIFY_VALUE, NOTIFY_VALUE user) {
    ++g_calls[1];
    g_lastUser = user;
    return 0;
}

TEST(Notifications, OnlyTheThirteenCodesHaveSlots) {
    EXPECT_EQ(NIMBRL_RegisterCallback(1024, &First, 1), 0);
    EXPECT_EQ(NIMBRL_RegisterCallback(1038, &First, 1), 0);
    EXPECT_EQ(NIMBRL_RegisterCallback(-1, &First, 1), 0);
    EXPECT_EQ(NIMBRL_RegisterCallback(INT32_MIN, &First, 1), 0);
    EXPECT_EQ(FireNotification(1024, 0), 0);
    EXPECT_EQ(g_calls[0], 0);
    EXPECT_EQ(NIMBRL_RegisterCallback(NOTIFY_INQUIRY_BEGIN, &First, 1), 1);
    EXPECT_EQ(NIMBRL_RegisterCallback(NOTIFY_OBEX_DISCONNECTED, &First, 1), 1);
}

TEST(Notifications, ASecondRegistrationReplacesTheFirstWithItsUserValue) {
    NIMBRL_RegisterCallback(NOTIFY_OBEX_DISCONNECTED, &First, 11);
    NIMBRL_RegisterCallback(NOTIFY_OBEX_DISCONNECTED, &Second, 22);
    EXPECT_EQ(FireNotification(NOTIFY_OBEX_DISCONNECTED, 0), 1);
    EXPECT_EQ(g_calls[0], 0);
    EXPECT_EQ(g_calls[1], 1);
    EXPECT_EQ(g_lastUser, 22u);
}

TEST(Notifications, EachCodeReachesOnlyItsOwnCallbackWithAPointerSizedValue) {
    NIMBRL_RegisterCallback(NOTIFY_CONNECT_FAILED, &First, 5);
    EXPECT_EQ(FireNotification(NOTIFY_OBEX_DISCONNECTED, 0), 0);
    EXPECT_EQ(g_calls[0], 0);
    int object = 0;
    auto value = reinterpret_cast<NOTIFY_VALUE>(&object);
    EXPECT_EQ(FireNotification(NOTIFY_CONNECT_FAILED, value), 1);
    EXPECT_EQ(g_lastValue, value);
    EXPECT_EQ(g_lastUser, 5u);
    EXPECT_EQ(NIMBRL_UnregisterCallback(NOTIFY_CONNECT_FAILED), 1);
    EXPECT_EQ(FireNotification(NOTIFY_CONNECT_FAILED, value), 0);
    EXPECT_EQ(g_calls[0], 1);
}

}  // namespace
