#include "ServiceUtils.h"

#include <gtest/gtest.h>

TEST(ServiceUtilsTest, EmailAddressesMustBeWholeAndEndInAShortDomain)
{
    const struct
    {
        const char *address;
        bool valid;
    } cases[] = {
        {"anna@example.com", true},     {"ANNA.LUND@EXAMPLE.ORG", true}, {"a+tag%x@mail.example.info", true},
        {"anna@example.museum", false}, {"anna@example.com ", false},    {" anna@example.com", false},
        {"anna@example", false},        {"anna example.com", false},     {"", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ServiceUtils::validateEmail(QString::fromLatin1(c.address)), c.valid) << c.address;
}

TEST(ServiceUtilsTest, TheFormKeepsItsFieldsAndEncodesEveryValue)
{
    EXPECT_EQ(ServiceUtils::subscriptionRequestBody("Vireoscope", "anna@example.com", true),
              "version=1.1&type=subscribeMac&app=Vireoscope&email=anna%40example.com&&approved=1");
    // "+" would decode as a space and "%" as an escape; "&" and "=" would start new fields.
    EXPECT_EQ(
        ServiceUtils::subscriptionRequestBody("A&B=C", "a+b%20&x=y@example.com", false),
        "version=1.1&type=subscribeMac&app=A%26B%3DC&email=a%2Bb%2520%26x%3Dy%40example.com&&approved=0");
}
