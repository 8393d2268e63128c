#include <gtest/gtest.h>

#include <atomic>

#include "platform/kernel/kernel.h"
#include "platform/mfc/winthread.h"

namespace {

TEST(KernelWait, AutoResetEventReleasesOneWaitAndResets) {
    HANDLE event = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    ResetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 10), WAIT_TIMEOUT);
    CloseHandle(event);
    CloseHandle(manual);
}

TEST(KernelWait, WaitAnyReportsTheFirstSignalledInListOrder) {
    HANDLE a = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE b = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    HANDLE c = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    HANDLE list[] = {a, b, c};
    EXPECT_EQ(WaitForMultipleObjects(3, list, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(3, list, TRUE, 0), WAIT_TIMEOUT);
    SetEvent(a);
    EXPECT_EQ(WaitForMultipleObjects(3, list, TRUE, 0), WAIT_OBJECT_0);
    for (HANDLE h : list) CloseHandle(h);
}

TEST(KernelWait, InvalidHandlesFailTheWait) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CloseHandle(event);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(event));
    EXPECT_FALSE(SetEvent(event));
}

TEST(KernelWait, SemaphoreCountsAndRefusesToExceedItsMaximum) {
    HANDLE semaphore = CreateSemaphoreW(nullptr, 1, 2, nullptr);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_TIMEOUT);
    LONG previous = -1;
    EXPECT_TRUE(ReleaseSemaphore(semaphore, 2, &previous));
    EXPECT_EQ(previous, 0);
    EXPECT_FALSE(ReleaseSemaphore(semaphore, 1, nullptr));
    EXPECT_EQ(CreateSemaphoreW(nullptr, 3, 2, nullptr), nullptr);
    CloseHandle(semaphore);
}

DWORD SetAndReturn(void* parameter) {
    SetEvent(static_cast<HANDLE>(parameter));
    return 42;
}

TEST(KernelThread, SuspendedThreadRunsOnlyAfterResumeAndKeepsItsExitCode) {
    HANDLE ran = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, &SetAndReturn, ran, CREATE_SUSPENDED, nullptr);
    ASSERT_NE(thread, nullptr);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(ran, 50), WAIT_TIMEOUT);
    EXPECT_EQ(ResumeThread(thread), 1u);
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);  // stays signalled
    CloseHandle(thread);
    CloseHandle(ran);
}

TEST(KernelThread, ClosingTheHandleOfARunningThreadLetsItFinish) {
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    struct Args {
        HANDLE release, done;
    } args{release, done};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            auto* a = static_cast<Args*>(p);
            WaitForSingleObject(a->release, INFINITE);
            SetEvent(a->done);
            return 0;
        },
        &args, 0, nullptr);
    CloseHandle(thread);
    SetEvent(release);
    EXPECT_EQ(WaitForSingleObject(done, 10000), WAIT_OBJECT_0);
    CloseHandle(release);
    CloseHandle(done);
}

TEST(KernelThread, PriorityIsRecorded) {
    HANDLE thread = CreateThread(nullptr, 0, &SetAndReturn, CreateEventW(nullptr, TRUE, FALSE, nullptr),
                                 CREATE_SUSPENDED, nullptr);
    EXPECT_TRUE(SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL));
    EXPECT_EQ(GetThreadPriority(thread), THREAD_PRIORITY_ABOVE_NORMAL);
    EXPECT_FALSE(SetThreadPriority(thread, 99));
    ResumeThread(thread);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

std::atomic<int> g_autoDeleteRuns{0};
UINT CountRun(void*) {
    ++g_autoDeleteRuns;
    return 7;
}

TEST(CWinThread, WithoutAutoDeleteTheOwnerReadsTheExitCodeAfterTheEnd) {
    CWinThread* thread = AfxBeginThread(&CountRun, nullptr, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(thread, nullptr);
    thread->m_bAutoDelete = FALSE;
    thread->ResumeThread();
    ASSERT_EQ(WaitForSingleObject(thread->m_hThread, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread->m_hThread, &code));
    EXPECT_EQ(code, 7u);
    delete thread;
}

TEST(CWinThread, AutoDeleteThreadDeletesItselfWhenItEnds) {
    // Run under the sanitizers, a double delete or a leak of the object shows here.
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CWinThread* thread = AfxBeginThread([](void* p) -> UINT {
        SetEvent(static_cast<HANDLE>(p));
        return 0;
    }, done);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(done, 10000), WAIT_OBJECT_0);
    CloseHandle(done);
}

}  // namespace
