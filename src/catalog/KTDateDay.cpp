#include "KTDateDay.h"

int day(const QDateTime &date)
{
    return date.isValid() ? date.toLocalTime().date().day() : 0;
}
