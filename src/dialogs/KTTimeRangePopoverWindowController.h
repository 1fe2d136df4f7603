#pragma once

#include "KTPopoverWindowController.h"
#include "KTTimeRangePopoverDelegate.h"
#include "KTWeakDelegate.h"

#include <QImage>
#include <QList>
#include <QStringList>

class KTAbstractButton;
class KTSegmentedTimeRangeView;
class QLabel;

/// The time-range popover of the similar-groups and timeline modes: a row of time ranges (a range
/// of 0 seconds is unlimited and shows the infinity pictogram when its label is empty) and a
/// description under it. A choice is reported to the delegate and closes the popover; if the work
/// it starts is cancelled from the progress sheet, the popover selects the previous range again.
///
/// Right after creation the selection is the entry nearest to 0 seconds, but no button shows
/// pushed until the owner calls setTimeRange().
///
/// Threading: main thread only.
class KTTimeRangePopoverWindowController : public KTPopoverWindowController
{
    Q_OBJECT
public:
    /// The ranges of the similar-groups mode: 2 s, 10 s, 1 min, 10 min, 20 min and unlimited.
    static QList<double> defaultTimeRanges();
    static QStringList defaultTimeRangesStrings();

    /// The default ranges.
    explicit KTTimeRangePopoverWindowController(QWidget *parent = nullptr);
    /// `timeRanges` in seconds with one label each (lists of unequal length are cut to the
    /// shorter).
    KTTimeRangePopoverWindowController(const QList<double> &timeRanges, const QStringList &strings,
                                       QWidget *parent = nullptr);
    ~KTTimeRangePopoverWindowController() override;

    KTTimeRangePopoverDelegate *delegate() const { return m_delegate.get(); }
    void setDelegate(KTTimeRangePopoverDelegate *delegate) { m_delegate = delegate; }

    QList<double> timeRanges() const { return m_timeRanges; }
    QStringList timeRangesStrings() const { return m_timeRangesStrings; }
    int timeRangeIndex() const { return m_timeRangeIndex; }

    /// The selected range in seconds; 0 for an index outside the list.
    double timeRange() const;
    /// Selects the range nearest to `seconds` (the first on a tie; index 0 for an empty list),
    /// pushes its button and tells the delegate timeRangeDidChange().
    void setTimeRange(double seconds);
    /// The selected label; a null string for an index outside the list.
    QString timeRangeString() const;
    /// The pictogram of the selection for the owner's button: "infinity" when the range is 0 or
    /// less (unlimited), a null image otherwise; pushedTimeRangeIcon() likewise with "infinity_on".
    QImage timeRangeIcon() const;
    QImage pushedTimeRangeIcon() const;
    QString descriptionString() const;
    void setDescriptionString(const QString &description);
    /// The range before the last choice.
    double previousTimeRange() const { return m_prevTimeRange; }

    /// A range button's action: selects its range, watches the progress sheet, tells the delegate
    /// timeRangeDidChange() and timeRangePopoverDidDone(), and closes.
    void onChangeTimeRange(KTAbstractButton *sender);

    KTSegmentedTimeRangeView *buttonsContainer() const { return m_buttonsContainer; }
    QLabel *descriptionLabel() const { return m_descriptionLabel; }

protected:
    void progressDidCancel() override;

private:
    void pushSelectedButton();

    KTWeakDelegate<KTTimeRangePopoverDelegate> m_delegate;
    QList<double> m_timeRanges;
    QStringList m_timeRangesStrings;
    int m_timeRangeIndex = 0;
    double m_prevTimeRange = 0.0;
    KTSegmentedTimeRangeView *m_buttonsContainer = nullptr;
    QLabel *m_descriptionLabel = nullptr;
};
