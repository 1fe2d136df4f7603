#pragma once

#include <Qt>

#include <optional>
#include <set>

/// The selection of a thumbnail list: selected indexes, the active (focused) index and the
/// anchor, the moving end of a run of Shift steps, with the rules of the keys and clicks. A value
/// type over index numbers only, shared by the image lists and the grouped browser; compare mode
/// (two images) belongs to the image list.
///
/// Rule kept by validate(): a list with images has a non-empty selection that holds the active
/// index; an empty list has no selection and no active index. "No index" is an empty optional,
/// never a value that index arithmetic could reach.
class KTImageSelection
{
public:
    const std::set<qsizetype> &indexes() const { return m_indexes; }
    std::set<qsizetype> &mutableIndexes() { return m_indexes; }
    std::optional<qsizetype> active() const { return m_active; }
    void setActive(std::optional<qsizetype> active) { m_active = active; }
    std::optional<qsizetype> anchor() const { return m_anchor; }
    void setAnchor(std::optional<qsizetype> anchor) { m_anchor = anchor; }
    bool contains(qsizetype index) const { return m_indexes.count(index) > 0; }
    bool isEmpty() const { return m_indexes.empty(); }
    std::optional<qsizetype> first() const;
    std::optional<qsizetype> last() const;

    /// Replaces the selection and the active index.
    void set(const std::set<qsizetype> &indexes, std::optional<qsizetype> active);
    /// Drops indexes not below `count`, selects 0 when nothing is left, makes the first selected
    /// index active when the active one is not selected; without images, clears everything. A
    /// change ends the Shift run. Returns whether anything changed.
    bool validate(qsizetype count);
    /// Every index; the active one stays when it is among them.
    void selectAll(qsizetype count);
    /// The active index alone stays selected (index 0 when there was none).
    void deselectAll(qsizetype count);
    /// An arrow step: `direction` -1 towards the first image, +1 towards the last, `steps` 1 for
    /// left and right, a row for up and down. Without modifiers the selection moves (a single
    /// step wraps round the ends, a longer one stops there); Shift grows or shrinks the run from
    /// the active image; Ctrl moves the active image within the selection (wrapping round it).
    /// Returns the index to show, if any.
    std::optional<qsizetype> move(qsizetype count, Qt::KeyboardModifiers modifiers, qsizetype steps,
                                  qsizetype direction);
    /// A click on `index`: Shift selects the range from the active index, Ctrl toggles the index,
    /// both add the range; a plain click on a selected index makes it active, on another selects
    /// it alone. Ends the Shift run and validates.
    void click(qsizetype count, qsizetype index, Qt::KeyboardModifiers modifiers);

private:
    std::set<qsizetype> m_indexes;
    std::optional<qsizetype> m_active = 0;
    std::optional<qsizetype> m_anchor;
};
