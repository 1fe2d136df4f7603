#pragma once

#include "KTSegmentedView.h"

#include <QStringList>

#include <functional>

class KTAbstractButton;

/// The time-range row: one exclusive framework button per title, shaped as one tab strip with
/// rounded outer ends, of equal widths (at least 56 each) filling the row edge to edge.
///
/// Threading: main thread only.
class KTSegmentedTimeRangeView : public KTSegmentedView
{
    Q_OBJECT
public:
    static constexpr int kMinimumButtonWidth = 56;

    explicit KTSegmentedTimeRangeView(QWidget *parent = nullptr);

    /// Replaces every child with one button per title, tagged with its index, that toggles itself
    /// and calls `action` with itself on each click (`target` bounds the connection's life).
    void setButtonTitles(const QStringList &titles, QObject *target,
                         std::function<void(KTAbstractButton *sender)> action);
    /// Gives the button at `index` the pictogram `name` and the pushed pictogram "<name>_on";
    /// nothing for an index without a button.
    void setIconWithName(const QString &name, int index);
    /// The buttons in order.
    QList<KTAbstractButton *> buttons() const;
};
