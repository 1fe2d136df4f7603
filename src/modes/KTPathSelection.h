#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>
#include <set>

class KTImageMO;

/// The selection of a review mode kept a second time, by file path, so that it outlives every
/// rebuild of the mode's list: the position of each listed image's path, and the paths of the
/// images selected and active when the selection last changed. After a rebuild the positions are
/// found again from the paths. An image without a path is listed but cannot be found again.
///
/// Threading: a plain value of one mode; main thread, like the records it reads.
class KTPathSelection
{
public:
    /// Indexes into the list and the active one (none: no active image).
    struct Selection
    {
        std::set<qsizetype> indexes;
        std::optional<qsizetype> active;
    };

    /// The positions of the paths of `images` (the list in display order).
    void setImages(const QList<KTImageMO *> &images);
    void clear();
    const QHash<QString, qsizetype> &pathToIndexMap() const { return m_pathToIndex; }
    /// The position of `image` by its path; none for null, a record without a path or one not listed.
    std::optional<qsizetype> indexOf(const KTImageMO *image) const;

    /// Remembers the paths of the indexes of `selection` inside `images`, and of the active one.
    void remember(const QList<KTImageMO *> &images, const Selection &selection);
    const QSet<QString> &selectedPaths() const { return m_selectedPaths; }
    QString activePath() const { return m_activePath; }

    /// The remembered paths found in the list: their positions, and the active one's (the lowest
    /// of them when the active path is not among them).
    Selection findRemembered() const;
    /// `selection` inside a list of `count` images: positions past the end dropped, the first
    /// image when none is left, the lowest selected one active when the active one is not
    /// selected. Nothing (no active image) for an empty list.
    static Selection clipped(const Selection &selection, qsizetype count);

private:
    QHash<QString, qsizetype> m_pathToIndex;
    QSet<QString> m_selectedPaths;
    QString m_activePath;
};
