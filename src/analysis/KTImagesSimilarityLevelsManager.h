#pragma once

#include <QSet>
#include <QString>

#include <mutex>
#include <vector>

/// A matrix of similarity levels between images, kept beside the search: one row per image index,
/// each row one set of image indexes per level 0 to numberOfLevels. The search does not fill it;
/// the catalogue reads it from its file and clears it when sources go away.
///
/// File form: a property list holding an array of rows, each an array of numberOfLevels + 1 arrays
/// of index numbers.
///
/// Threading: every method takes the store's lock; callers may use it from any thread.
class KTImagesSimilarityLevelsManager
{
public:
    using Row = std::vector<QSet<qlonglong>>;

    explicit KTImagesSimilarityLevelsManager(unsigned numberOfLevels);
    /// A store whose rows are read from the property list at `path`; empty when the file cannot be
    /// read or is not of the form above. A row with more level sets than the store has is cut, one
    /// with fewer is filled with empty sets.
    KTImagesSimilarityLevelsManager(const QString &path, unsigned numberOfLevels);

    unsigned numberOfLevels() const { return m_numberOfLevels; }
    /// A copy of the rows.
    std::vector<Row> imagesLevels() const;
    /// Removes every row; the file is not touched.
    void clear();

private:
    const unsigned m_numberOfLevels;
    mutable std::mutex m_lock;
    std::vector<Row> m_imagesLevels;
};
