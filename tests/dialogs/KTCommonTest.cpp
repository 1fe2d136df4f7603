#include "KTCommon.h"
#include "ServiceUtils.h"

#include <gtest/gtest.h>

TEST(KTCommonTest, TheProductNameIsSpelledRightInAnyCaseAndPlace)
{
    EXPECT_EQ(KTCommon::applicationName(), "Vireoscope");
    EXPECT_EQ(ServiceUtils::getApplicationName(), "Vireoscope");
    EXPECT_EQ(KTCommon::stringWithCorrectAppNameFromString("vireoscope and VIREOSCOPE, ViReOsCoPe!"),
              "Vireoscope and Vireoscope, Vireoscope!");
    EXPECT_EQ(KTCommon::stringWithCorrectAppNameFromString("no name here"), "no name here");
}
