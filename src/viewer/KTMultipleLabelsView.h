#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;

/// A row of plain labels with a separator picture between each two, built from a list of
/// strings: 10 points from the left edge to the first view and from the last to the right, the
/// views at the standard spacing and centred vertically. Each view is named "view<n>" after
/// its place among all the views (labels and separators counted together).
///
/// Threading: main thread only.
class KTMultipleLabelsView : public QWidget
{
    Q_OBJECT
public:
    /// The standard spacing between sibling views, in points.
    static constexpr int kSpacing = 8;

    explicit KTMultipleLabelsView(QWidget *parent = nullptr);

    /// Replaces the row: n strings give 2n - 1 views; an empty list leaves the row empty.
    void setStrings(const QStringList &strings);
    QStringList strings() const { return m_strings; }

    /// A new label as the row uses it: "Helvetica" 13, grey 163, not selectable.
    static QLabel *defaultTextField();

private:
    QStringList m_strings;
};
