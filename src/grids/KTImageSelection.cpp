#include "KTImageSelection.h"

#include "KTKeyEquivalent.h"

#include <iterator>

std::optional<qsizetype> KTImageSelection::first() const
{
    return m_indexes.empty() ? std::nullopt : std::optional<qsizetype>(*m_indexes.begin());
}

std::optional<qsizetype> KTImageSelection::last() const
{
    return m_indexes.empty() ? std::nullopt : std::optional<qsizetype>(*m_indexes.rbegin());
}

void KTImageSelection::set(const std::set<qsizetype> &indexes, std::optional<qsizetype> active)
{
    m_indexes = indexes;
    m_active = active;
}

bool KTImageSelection::validate(qsizetype count)
{
    bool changed = false;
    if (count <= 0) {
        changed = !m_indexes.empty() || m_active.has_value();
        m_indexes.clear();
        m_active.reset();
    } else {
        const auto tooLarge = m_indexes.lower_bound(count);
        if (tooLarge != m_indexes.end()) {
            m_indexes.erase(tooLarge, m_indexes.end());
            changed = true;
        }
        if (m_indexes.empty()) {
            m_indexes.insert(0);
            changed = true;
        }
        if (!m_active || !contains(*m_active)) {
            m_active = first();
            changed = true;
        }
    }
    if (changed)
        m_anchor.reset();
    return changed;
}

void KTImageSelection::selectAll(qsizetype count)
{
    m_indexes.clear();
    for (qsizetype index = 0; index < count; ++index)
        m_indexes.insert(m_indexes.end(), index);
    if (!m_active || !contains(*m_active))
        m_active = first();
}

void KTImageSelection::deselectAll(qsizetype count)
{
    m_indexes.clear();
    if (count <= 0) {
        m_active.reset();
        return;
    }
    if (!m_active || *m_active >= count)
        m_active = 0;
    m_indexes.insert(*m_active);
}

std::optional<qsizetype> KTImageSelection::move(qsizetype count, Qt::KeyboardModifiers modifiers,
                                                qsizetype steps, qsizetype direction)
{
    if (count <= 0 || steps < 1)
        return std::nullopt;
    const bool forward = direction > 0;
    const qsizetype end = forward ? count - 1 : 0;
    const auto nearEnd = [&] { return forward ? *first() : *last(); };
    const auto farEnd = [&] { return forward ? *last() : *first(); };
    if (m_indexes.empty()) {
        m_indexes = {end};
        validate(count);
        return end;
    }
    if (modifiers.testFlag(Qt::ShiftModifier)) {
        // The anchor is the moving end: it grows the run away from the active image and shrinks
        // it on the way back.
        if (!m_anchor)
            m_anchor = farEnd();
        for (qsizetype step = 0; step < steps; ++step) {
            qsizetype anchor = *m_anchor;
            const bool growing = !m_active || (forward ? anchor >= *m_active : anchor <= *m_active);
            if (growing) {
                if (anchor == end)
                    break;
                anchor += direction;
                m_indexes.insert(anchor);
            } else {
                m_indexes.erase(anchor);
                anchor += direction;
                if (!contains(anchor))
                    anchor = nearEnd();
                if (anchor == *m_active)
                    anchor = farEnd();
            }
            m_anchor = anchor;
        }
        validate(count);
        return m_anchor;
    }
    if (modifiers.testFlag(kCommandModifier)) {
        // The active image steps through the selection and wraps round within it.
        for (qsizetype step = 0; step < steps; ++step) {
            if (!m_active) {
                m_active = farEnd();
                break;
            }
            if (forward) {
                const auto above = m_indexes.upper_bound(*m_active);
                m_active = above == m_indexes.end() ? std::nullopt : std::optional<qsizetype>(*above);
            } else {
                const auto below = m_indexes.lower_bound(*m_active);
                m_active =
                    below == m_indexes.begin() ? std::nullopt : std::optional<qsizetype>(*std::prev(below));
            }
        }
        if (!m_active)
            m_active = nearEnd();
        validate(count);
        m_anchor.reset();
        return m_active;
    }
    // A single step wraps round the ends of the list; a longer one stops at them.
    const qsizetype target = farEnd() + direction * steps;
    const qsizetype moved = target < 0 || target > count - 1 ? (steps == 1 ? count - 1 - end : end) : target;
    m_indexes = {moved};
    validate(count);
    m_anchor.reset();
    return moved;
}

void KTImageSelection::click(qsizetype count, qsizetype index, Qt::KeyboardModifiers modifiers)
{
    const qsizetype active = m_active.value_or(index);
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const bool command = modifiers.testFlag(kCommandModifier);
    const auto range = [&] {
        for (qsizetype i = std::min(index, active); i <= std::max(index, active); ++i)
            m_indexes.insert(i);
    };
    if (shift && command) {
        range();
    } else if (command) {
        if (!m_indexes.erase(index))
            m_indexes.insert(index);
    } else if (shift) {
        m_indexes.clear();
        range();
    } else if (contains(index)) {
        m_active = index;
    } else {
        m_indexes = {index};
    }
    m_anchor.reset();
    validate(count);
}
