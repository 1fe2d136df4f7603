#pragma once

#include <QObject>
#include <QPointer>

class KTControl;

/// Dims its control to half opacity while the control is highlighted (pressed).
///
/// Threading: main thread only.
class KTModeButtonCell : public QObject
{
    Q_OBJECT
public:
    /// Follows the presses of `control`; owned by it.
    explicit KTModeButtonCell(KTControl *control);

    /// Sets the control's opacity to 0.5 with `flag`, back to 1 without.
    void highlight(bool flag);

private:
    QPointer<KTControl> m_control;
};
