#include "KTRowNumbering.h"

KTRowNumbering::Range KTRowNumbering::freeRange(std::span<const qint64> rows)
{
    if (rows.empty())
        return {};
    if (rows.back() < kLargestRow)
        return {rows.back() + 1, kLargestRow};
    Range widest{1, 0};
    qint64 previous = 0;
    for (const qint64 row : rows) {
        // Compared as room left, so no difference of two rows can overflow.
        if (row - 1 > previous && row - 1 - previous > widest.last - widest.first + 1)
            widest = {previous + 1, row - 1};
        previous = row;
    }
    return widest;
}

void KTRowNumbering::restart(std::span<const qint64> rows)
{
    const Range range = freeRange(rows);
    m_end.store(range.last);
    m_last.store(range.first - 1);
}

void KTRowNumbering::note(qint64 row)
{
    if (row > m_end.load())
        return;
    qint64 current = m_last.load();
    while (current < row && !m_last.compare_exchange_weak(current, row)) {
    }
}

std::optional<qint64> KTRowNumbering::next()
{
    const qint64 end = m_end.load();
    qint64 current = m_last.load();
    do {
        if (current >= end)
            return std::nullopt;
    } while (!m_last.compare_exchange_weak(current, current + 1));
    return current + 1;
}
