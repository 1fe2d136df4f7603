#pragma once

#include <QDialog>

/// A window without frame or title bar, run modally over the application; it paints the window
/// grey with a one-pixel line around it, and Escape closes it (rejects).
///
/// Threading: main thread only.
class KTTopBarLessWindow : public QDialog
{
    Q_OBJECT
public:
    explicit KTTopBarLessWindow(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
