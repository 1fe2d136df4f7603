#pragma once

#include <QDateTime>

/// The day of the month (1 to 31) of `date` in the Gregorian calendar of the process's time
/// zone: the unit in which time groups and day sections are split. 0 for an invalid date.
int day(const QDateTime &date);
