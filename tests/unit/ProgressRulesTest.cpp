// What a window shows of the driver's reports: the running percentage, the progress inside a
// step, and the action texts.
#include <gtest/gtest.h>

#include "ui/ProgressRules.h"

TEST(ProgressRules, StepsStopAt99UntilCompletion) {
    int shown = 0;
    for (int i = 0; i < 25; ++i) shown = StepPercentage(shown, 3, 5);
    EXPECT_EQ(shown, 99);
    EXPECT_EQ(StepPercentage(shown, kActionComplete, 100), 100);
    EXPECT_EQ(StepPercentage(40, kActionComplete, 0), 100);
    EXPECT_EQ(StepPercentage(0x7FFFFFF0, 3, 100), 99) << "no overflow";
}

TEST(ProgressRules, ProgressInsideAStepDoesNotMoveTheRunningPercentage) {
    EXPECT_EQ(ProgressPercentage(10, 450, 1000, 5), 13) << "chunk 200: 2 whole chunks and a started one";
    EXPECT_EQ(ProgressPercentage(10, 1000, 1000, 5), 15) << "the whole step is worth its share";
    EXPECT_EQ(ProgressPercentage(20, 4, 7, 5), 22) << "chunk 7/5 + 7%5 = 3: one whole chunk and a started one";
    EXPECT_EQ(ProgressPercentage(95, 1000, 1000, 50), 99);
    EXPECT_EQ(ProgressPercentage(20, 5, 0, 5), 20);
    EXPECT_EQ(ProgressPercentage(20, 5, 10, 0), 20);
    EXPECT_EQ(StepPercentage(20, 9, 5), 25) << "a later step adds to the running value, not to the shown one";
    EXPECT_EQ(PercentText(37), L"37%");
}

TEST(ProgressRules, ActionTexts) {
    EXPECT_EQ(GetActionText(9), L"正在拷贝文件：");
    EXPECT_EQ(GetActionText(21), L"正在执行：");
    EXPECT_EQ(GetActionText(26), L"安装完成");
    EXPECT_EQ(GetActionText(16), L"");
    for (int other : {0, 15, 27, 28, 30, -1}) EXPECT_EQ(GetActionText(other), L"正在执行其它行为......") << other;
}

TEST(ProgressRules, DownloadSpeedText) {
    EXPECT_EQ(DownloadSpeedText(2048), L"，速度：2.00kB");
    EXPECT_EQ(DownloadSpeedText(3145728), L"，速度：3.00M");
    EXPECT_EQ(DownloadSpeedText(1024), L"，速度：1024.00B") << "1024 bytes per second or less in B";
    EXPECT_EQ(DownloadSpeedText(0), L"，速度：0.00B");
}
