#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>

#include <functional>

class KTAbstractButton;
class KTValueSlider;
class QCheckBox;
class QGridLayout;
class QWidget;

// The pieces the shell's settings windows and sheets are laid out from, so they share one look:
// labels in the three type sizes, section captions, push buttons and slider rows with their value.
// Threading: main thread only.

/// A plain-text label in `font` and `colour`.
QLabel *ktDialogLabel(const QString &text, const QFont &font, const QColor &colour, QWidget *parent);
/// A small upper-case caption in the secondary colour that heads a group of controls.
QLabel *ktSectionCaption(const QString &text, QWidget *parent);
/// A check box in the body font (the application look makes its box stand out from the window grey).
QCheckBox *ktCheckBox(const QString &title, QWidget *parent);
/// A momentary push button at least `minimumWidth` wide, reachable by Tab.
KTAbstractButton *ktPushButton(const QString &title, QWidget *parent, int minimumWidth = 80);
/// Adds `slider` to `grid` at `row` between `title` (or a widget already placed in column 0) and
/// a label showing its value through `format`, kept current.
void ktAddSliderRow(QGridLayout *grid, int row, QWidget *title, KTValueSlider *slider,
                    std::function<QString(double)> format);
/// Fills `widget` with the window grey.
void ktFillWindowBackground(QWidget *widget);
