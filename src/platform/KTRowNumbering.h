#pragma once

#include <QtGlobal>

#include <atomic>
#include <limits>
#include <optional>
#include <span>

/// Numbers the new records of one entity. Rows count up from the largest row in use; when that is
/// the largest row there is, they fill the widest gap between the rows in use instead, so a
/// damaged or hostile row never makes the count run past the 64-bit range.
///
/// Threading: next() and note() may run on many threads at once; restart() runs before any other
/// thread uses the numbering.
class KTRowNumbering
{
public:
    static constexpr qint64 kLargestRow = std::numeric_limits<qint64>::max();

    /// Rows `first` to `last`, both included; empty when `first` is past `last`.
    struct Range
    {
        qint64 first = 1;
        qint64 last = kLargestRow;

        bool isEmpty() const { return first > last; }
        friend bool operator==(const Range &, const Range &) = default;
    };

    /// The rows new records take when `rows` (ascending, each at least 1) are in use: those after
    /// the last one, else the widest gap between two (the lowest of equally wide ones).
    static Range freeRange(std::span<const qint64> rows);

    /// Numbers on from freeRange(rows).
    void restart(std::span<const qint64> rows);
    /// Notes a row taken elsewhere (a stored record, or one numbered by another context): the
    /// next row comes after it when it lies in the range being numbered.
    void note(qint64 row);
    /// The next free row; nothing once the range is used up.
    std::optional<qint64> next();

private:
    std::atomic<qint64> m_last{0};          // the last row given or noted in the range
    std::atomic<qint64> m_end{kLargestRow}; // the range's last row
};
