// A termination signal reaches the program as a call on its event loop, where it can close the
// main window and so keep the settings.
#include "startup/QuitSignals.h"

#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

TEST(QuitSignals, EachTerminationSignalBecomesOneCallOnTheEventLoop) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        int calls = 0;
        QuitSignals quit([&calls] { ++calls; });
        ASSERT_TRUE(quit.installed());
        std::raise(signal);
        EXPECT_EQ(calls, 0) << "nothing runs inside the signal handler";
        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 2000);
        QTest::qWait(20);
        EXPECT_EQ(calls, 1) << "signal " << signal;
    }
}
