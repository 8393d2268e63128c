#include <gtest/gtest.h>

#include <vector>

#include "platform/kernel/kernel.h"

namespace {

struct Queue {
    HANDLE read = nullptr, write = nullptr;
    explicit Queue(DWORD maxMessages = 0) {
        MSGQUEUEOPTIONS options{sizeof(MSGQUEUEOPTIONS), MSGQUEUE_NOPRECOMMIT, maxMessages, 8, TRUE};
        read = CreateMsgQueue(nullptr, &options);
        options.bReadAccess = FALSE;
        write = OpenMsgQueue(GetCurrentProcess(), read, &options);
    }
    ~Queue() {
        if (write) CloseMsgQueue(write);
        if (read) CloseMsgQueue(read);
    }
};

TEST(MsgQueue, MessagesArriveWholeAndInOrderAndTheReadHandleSignalsWhileAnyWait) {
    Queue queue;
    EXPECT_EQ(WaitForSingleObject(queue.read, 0), WAIT_TIMEOUT);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(WriteMsgQueue(queue.write, &i, sizeof i, INFINITE, 0));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(WaitForSingleObject(queue.read, 0), WAIT_OBJECT_0);
        int value = -1;
        DWORD read = 0, flags = 0;
        ASSERT_TRUE(ReadMsgQueue(queue.read, &value, sizeof value, &read, 0, &flags));
        EXPECT_EQ(read, sizeof value);
        EXPECT_EQ(value, i);
    }
    int value;
    DWORD read = 0, flags = 0;
    EXPECT_FALSE(ReadMsgQueue(queue.read, &value, sizeof value, &read, 0, &flags));
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
}

TEST(MsgQueue, OversizedMessagesAndWrongEndsAreRefused) {
    Queue queue;
    char big[9] = {};
    EXPECT_FALSE(WriteMsgQueue(queue.write, big, sizeof big, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    int value = 1;
    EXPECT_FALSE(WriteMsgQueue(queue.read, &value, sizeof value, 0, 0));
    ASSERT_TRUE(WriteMsgQueue(queue.write, &value, sizeof value, 0, 0));
    char small[2];
    DWORD read = 0, flags = 0;
    EXPECT_FALSE(ReadMsgQueue(queue.read, small, sizeof small, &read, 0, &flags));
    EXPECT_TRUE(ReadMsgQueue(queue.read, &value, sizeof value, &read, 0, &flags));  // the message stayed
}

TEST(MsgQueue, ReaderCanWaitOnTheQueueTogetherWithAStopEvent) {
    Queue queue;
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE both[] = {queue.read, stop};
    SetEvent(stop);
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, INFINITE), WAIT_OBJECT_0 + 1);
    int value = 5;
    WriteMsgQueue(queue.write, &value, sizeof value, 0, 0);
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, INFINITE), WAIT_OBJECT_0);  // the queue comes first
    CloseHandle(stop);
}

TEST(MsgQueue, WriterBlockedOnAFullQueueIsReleasedWhenTheReaderCloses) {
    Queue queue(1);
    int value = 1;
    ASSERT_TRUE(WriteMsgQueue(queue.write, &value, sizeof value, 0, 0));
    EXPECT_FALSE(WriteMsgQueue(queue.write, &value, sizeof value, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);

    struct Args {
        HANDLE write;
        DWORD error = 0;
        BOOL written = TRUE;
    } args{queue.write};
    HANDLE writer = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            auto* a = static_cast<Args*>(p);
            int v = 2;
            a->written = WriteMsgQueue(a->write, &v, sizeof v, INFINITE, 0);
            a->error = GetLastError();
            return 0;
        },
        &args, 0, nullptr);
    CloseMsgQueue(queue.read);
    queue.read = nullptr;
    ASSERT_EQ(WaitForSingleObject(writer, 10000), WAIT_OBJECT_0);
    EXPECT_FALSE(args.written);
    EXPECT_EQ(args.error, ERROR_PIPE_NOT_CONNECTED);
    CloseHandle(writer);
}

TEST(MsgQueue, ManyWritersEachKeepTheirOwnOrder) {
    Queue queue;
    constexpr int kWriters = 4, kEach = 200;
    std::vector<HANDLE> threads;
    struct Args {
        HANDLE write;
        int writer;
    };
    std::vector<Args> args;
    args.reserve(kWriters);
    for (int w = 0; w < kWriters; ++w) {
        args.push_back({queue.write, w});
        threads.push_back(CreateThread(
            nullptr, 0,
            [](void* p) -> DWORD {
                auto* a = static_cast<Args*>(p);
                for (int i = 0; i < kEach; ++i) {
                    int message[2] = {a->writer, i};
                    WriteMsgQueue(a->write, message, sizeof message, INFINITE, 0);
                }
                return 0;
            },
            &args.back(), 0, nullptr));
    }
    std::vector<int> next(kWriters, 0);
    for (int n = 0; n < kWriters * kEach; ++n) {
        ASSERT_EQ(WaitForSingleObject(queue.read, 10000), WAIT_OBJECT_0);
        int message[2];
        DWORD read = 0, flags = 0;
        ASSERT_TRUE(ReadMsgQueue(queue.read, message, sizeof message, &read, 0, &flags));
        EXPECT_EQ(message[1], next[message[0]]++);
    }
    for (HANDLE t : threads) {
        WaitForSingleObject(t, INFINITE);
        CloseHandle(t);
    }
}

}  // namespace
