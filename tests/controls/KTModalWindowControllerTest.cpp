#include "KTModalWindowController.h"

#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

TEST(KTModalWindowControllerTest, RunModalReturnsTheCodeItWasStoppedWith)
{
    KTModalWindowController controller;
    ASSERT_NE(controller.window(), nullptr);
    EXPECT_TRUE(controller.window()->windowFlags().testFlag(Qt::FramelessWindowHint));
    bool wasRunning = false;
    QTimer::singleShot(0, &controller, [&] {
        wasRunning = controller.isRunningModal();
        controller.stopModal(7);
    });
    EXPECT_EQ(controller.runModal(), 7);
    EXPECT_TRUE(wasRunning);
    EXPECT_FALSE(controller.isRunningModal());
    controller.stopModal(3); // nothing runs: ignored
}
