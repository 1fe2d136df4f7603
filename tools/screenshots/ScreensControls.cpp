// The gallery of controls: every control in each state (normal, hover, pushed, disabled, on).

#include "KTScreenRegistry.h"

#include "KTAbstractButton.h"
#include "KTBadgeButton.h"
#include "KTButton.h"
#include "KTModeButton.h"
#include "KTOnOffButton.h"
#include "KTPageControl.h"
#include "KTPopUpButton.h"
#include "KTPopoverView.h"
#include "KTResizablePopUpButton.h"
#include "KTSButton.h"
#include "KTSegmentedTimeRangeView.h"
#include "KTTextColorButton.h"
#include "KTThreePartImage.h"
#include "KTBackgroundGradientView.h"
#include "KTBackgroundView.h"
#include "KTColor.h"
#include "KTControl.h"
#include "KTFont.h"
#include "KTNamedImages.h"
#include "KTSimpleBackgroundView.h"

#include <QApplication>
#include <QEnterEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <functional>
#include <memory>
#include <vector>

namespace {

enum class State
{
    Normal,
    Hover,
    Pushed,
    Disabled,
    On
};
const State kStates[] = {State::Normal, State::Hover, State::Pushed, State::Disabled, State::On};
const char *const kStateNames[] = {"Normal", "Hover", "Pushed", "Disabled", "On"};

/// One row of the gallery: how to make the control, and how to turn it on (empty when the
/// control has no on state).
struct Row
{
    QString label;
    std::function<KTControl *(QWidget *parent)> make;
    std::function<void(KTControl *)> turnOn;
    /// False for controls whose press opens a menu: the gallery shows no press for them.
    bool pressable = true;
};

QLabel *label(const QString &text, const QFont &font, const QColor &colour, QWidget *parent)
{
    auto *result = new QLabel(text, parent);
    result->setFont(font);
    QPalette palette = result->palette();
    palette.setColor(QPalette::WindowText, colour);
    result->setPalette(palette);
    return result;
}

/// The sheet: the window grey with a title; sections are added to its layout.
class Sheet : public QWidget
{
public:
    explicit Sheet(const QString &title)
    {
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(24, 20, 24, 24);
        layout->setSpacing(12);
        layout->addWidget(label(title, ktTitleFont(), KTPalette::kText, this));
    }
    QVBoxLayout *column() { return static_cast<QVBoxLayout *>(layout()); }

    /// A section title and a panel that holds `content`.
    QWidget *section(const QString &title)
    {
        column()->addSpacing(4);
        column()->addWidget(label(title.toUpper(), ktSmallFont(), KTPalette::kSecondaryText, this));
        auto *panel = new KTSimpleBackgroundView(this);
        panel->setBackgroundColor(KTPalette::kPanel);
        column()->addWidget(panel);
        return panel;
    }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), KTPalette::kWindow); }
};

/// Press and hover by real events, so the controls show the looks their users will see.
void hover(QWidget *widget)
{
    QEnterEvent enter(QPointF(2, 2), widget->mapTo(widget->window(), QPointF(2, 2)),
                      widget->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(widget, &enter);
}

void press(QWidget *widget)
{
    const QPointF at = QRectF(widget->rect()).center();
    QMouseEvent event(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

/// The state grid: one row per control, one column per state.
class StateGrid
{
public:
    explicit StateGrid(QWidget *panel) : m_layout(new QGridLayout(panel))
    {
        m_layout->setContentsMargins(16, 12, 16, 16);
        m_layout->setHorizontalSpacing(24);
        m_layout->setVerticalSpacing(14);
        for (int column = 0; column < 5; ++column) {
            m_layout->addWidget(label(QString::fromLatin1(kStateNames[column]), ktSmallFont(),
                                      KTPalette::kSecondaryText, panel),
                                0, column + 1, Qt::AlignLeft);
        }
        m_layout->setColumnStretch(6, 1);
    }

    void add(const Row &row)
    {
        const int line = m_layout->rowCount();
        QWidget *panel = m_layout->parentWidget();
        m_layout->addWidget(label(row.label, ktSmallFont(), KTPalette::kSecondaryText, panel), line, 0,
                            Qt::AlignLeft | Qt::AlignVCenter);
        for (int column = 0; column < 5; ++column) {
            const State state = kStates[column];
            if ((state == State::On && !row.turnOn) || (state == State::Pushed && !row.pressable)) {
                m_layout->addWidget(label(QStringLiteral("–"), ktSmallFont(), KTPalette::kDisabled, panel),
                                    line, column + 1, Qt::AlignLeft | Qt::AlignVCenter);
                continue;
            }
            KTControl *control = row.make(panel);
            control->setFixedSize(control->sizeHint());
            if (state == State::Disabled)
                control->setButtonEnabled(false);
            if (state == State::On)
                row.turnOn(control);
            if (state == State::Hover)
                m_hovered.push_back(control);
            if (state == State::Pushed)
                m_pressed.push_back(control);
            m_layout->addWidget(control, line, column + 1, Qt::AlignLeft | Qt::AlignVCenter);
        }
    }

    /// After the sheet is shown.
    void applyEvents()
    {
        for (QWidget *widget : m_hovered)
            hover(widget);
        for (QWidget *widget : m_pressed)
            press(widget);
    }

private:
    QGridLayout *m_layout;
    std::vector<QWidget *> m_hovered;
    std::vector<QWidget *> m_pressed;
};

QMenu *sortMenu(QWidget *owner)
{
    auto *menu = new QMenu(owner);
    int tag = 0;
    for (const char *title : {"Capture time", "File name", "File size"})
        menu->addAction(QString::fromLatin1(title))->setData(tag++);
    return menu;
}

/// A bitmap button as an interface description would set one up: sized, then initialised.
template <class Button>
Button *bitmapButton(QWidget *parent, const QString &title, QSize size, const QString &badge = {})
{
    auto *button = new Button(parent);
    button->resize(size);
    button->setUsesThreePartImage(true);
    button->setTitle(title);
    button->setAlternateTitle(title);
    button->setTitleLayout(3);
    button->setAlternateTitleLayout(3);
    button->setTitleColor(KTPalette::kText);
    button->setAlternateTitleColor(KTPalette::kAccent);
    button->setFont(ktBodyFont());
    button->initialize();
    if (!badge.isEmpty())
        button->setBadge(badge);
    return button;
}

/// The pick button of the viewer: a round pill with the flag, made in code without set-up.
KTOnOffButton *pickButton(QWidget *parent)
{
    auto *button = new KTOnOffButton(parent);
    const qreal ratio = std::max<qreal>(parent->devicePixelRatioF(), 1.0);
    const auto picture = [ratio](const QString &background, const QString &flag) {
        QImage image = threePartImage(KTThreePartNames::fromBase(background), {32, 28}, ratio);
        QPainter painter(&image);
        painter.drawImage(QPointF(8, 6), KTNamedImages::shared().image(flag, ratio));
        return image;
    };
    button->resize(32, 28);
    button->setImage(picture(QStringLiteral("round_btn"), QStringLiteral("flag")));
    button->updateImage();
    button->setAlternateImage(picture(QStringLiteral("round_btn_on"), QStringLiteral("flag_on")));
    button->updateAlternateImage();
    return button;
}

std::vector<Row> buttonRows()
{
    const auto pushOn = [](KTControl *control) { static_cast<KTAbstractButton *>(control)->setPushed(true); };
    const auto stateOn = [](KTControl *control) {
        if (auto *bitmap = qobject_cast<KTButton *>(control))
            bitmap->setState(1);
        else if (auto *styled = qobject_cast<KTSButton *>(control))
            styled->setState(1);
    };
    return {
        {QStringLiteral("Framework button"),
         [](QWidget *parent) { return new KTAbstractButton(QStringLiteral("Import"), parent); }, pushOn},
        {QStringLiteral("Framework, pictogram"),
         [](QWidget *parent) {
             auto *button = new KTAbstractButton(QStringLiteral("Pick"), parent);
             button->setPictogramName(QStringLiteral("flag"));
             button->setPushedPictogramName(QStringLiteral("flag_on"));
             button->setSelectedFontColor(KTPalette::kAccent);
             return button;
         },
         pushOn},
        {QStringLiteral("Badge button"),
         [](QWidget *parent) {
             auto *button = new KTBadgeButton(parent);
             button->setPictogramName(QStringLiteral("share"));
             button->setPushedPictogramName(QStringLiteral("share_on"));
             button->setBadgeString(QStringLiteral("12"));
             return button;
         },
         pushOn},
        {QStringLiteral("Bitmap button"),
         [](QWidget *parent) {
             return bitmapButton<KTButton>(parent, QStringLiteral("Compare"), {96, 24});
         },
         stateOn},
        {QStringLiteral("Mode button, badge"),
         [](QWidget *parent) {
             return bitmapButton<KTModeButton>(parent, QStringLiteral("Similar"), {104, 30},
                                               QStringLiteral("14"));
         },
         stateOn},
        {QStringLiteral("On/off button"), [](QWidget *parent) { return pickButton(parent); }, stateOn},
        {QStringLiteral("Pop-up button"),
         [](QWidget *parent) {
             auto *button = new KTPopUpButton(parent);
             button->resize(128, 24);
             button->setUsesThreePartDropdownImage(true);
             button->setTitleOffset({10, 0});
             button->setTitleLayout(2);
             button->setTitleColor(KTPalette::kText);
             button->setFont(ktBodyFont());
             button->setPopUpMenu(sortMenu(button));
             button->initialize();
             return button;
         },
         {},
         false},
        {QStringLiteral("Resizable pop-up"),
         [](QWidget *parent) {
             auto *button = new KTResizablePopUpButton(parent);
             button->setPopUpMenu(sortMenu(button));
             return button;
         },
         {},
         false},
        {QStringLiteral("Styled button"),
         [](QWidget *parent) {
             auto *button = new KTSButton(QStringLiteral("Apply"), parent);
             button->setFixedSize(88, 24);
             button->initialize();
             return button;
         },
         {}},
        {QStringLiteral("Styled, icon"),
         [](QWidget *parent) {
             auto *button = new KTSButton(QStringLiteral("Put Back"), parent);
             button->setIconImageName(QStringLiteral("put_back"));
             button->setThreePartImageName(QStringLiteral("btn"));
             button->setFixedSize(112, 24);
             button->initialize();
             return button;
         },
         stateOn},
        {QStringLiteral("Styled, drop-down"),
         [](QWidget *parent) {
             auto *button = new KTSButton(QStringLiteral("Sort"), parent);
             button->setDropDown(true);
             button->setFixedSize(96, 24);
             button->initialize();
             return button;
         },
         {}},
        {QStringLiteral("Text colour button"),
         [](QWidget *parent) {
             auto *button = new KTTextColorButton(QStringLiteral("Learn more"), parent);
             button->setTextColor(KTPalette::kAccent);
             return button;
         },
         {}},
    };
}

void addRows(QWidget *panel)
{
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(16, 12, 16, 16);
    column->setSpacing(12);
    const auto caption = [&](const QString &text) {
        column->addWidget(label(text, ktSmallFont(), KTPalette::kSecondaryText, panel));
    };
    caption(QStringLiteral("Time range: none chosen, one chosen"));
    const QStringList ranges{"2 sec", "10 sec", "30 sec", "60 sec", "5 min", "Any"};
    for (int chosen : {-1, 2}) {
        auto *row = new KTSegmentedTimeRangeView(panel);
        row->setButtonTitles(ranges, row, {});
        row->setIconWithName(QStringLiteral("infinity"), int(ranges.size()) - 1);
        row->buttons().last()->setTitle(QString());
        if (chosen >= 0)
            row->buttons()[chosen]->setPushed(true);
        row->setFixedSize(int(ranges.size()) * 62, 22);
        column->addWidget(row);
    }
    caption(QStringLiteral("Page control"));
    auto *dots = new KTPageControl(panel);
    dots->setNumberOfItems(6);
    dots->setSelectedIndex(2);
    dots->setFixedSize(dots->sizeHint());
    column->addWidget(dots);
}

/// The pictures of KTNamedImages that are pictograms (the caps show in the buttons).
void addPictures(QWidget *panel)
{
    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(16, 12, 16, 16);
    grid->setHorizontalSpacing(20);
    grid->setVerticalSpacing(6);
    const QStringList names{"flag",     "flag_on",  "cross",         "cross_on", "share",
                            "share_on", "put_back", "put_back_on",   "infinity", "infinity_on",
                            "page_off", "page_on",  "dropdown_arrow"};
    const qreal ratio = panel->devicePixelRatioF();
    for (int i = 0; i < names.size(); ++i) {
        auto *picture = new QLabel(panel);
        picture->setPixmap(QPixmap::fromImage(KTNamedImages::shared().image(names[i], ratio)));
        picture->setFixedSize(24, 24);
        picture->setAlignment(Qt::AlignCenter);
        grid->addWidget(picture, 0, i, Qt::AlignHCenter);
        QLabel *name = label(QString(names[i]).replace(QLatin1Char('_'), QLatin1Char(' ')), ktSmallFont(),
                             KTPalette::kSecondaryText, panel);
        grid->addWidget(name, 1, i, Qt::AlignHCenter);
    }
    grid->setColumnStretch(names.size(), 1);
}

void addBackgrounds(QWidget *panel)
{
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(16, 12, 16, 16);
    row->setSpacing(16);
    auto *simple = new KTSimpleBackgroundView(panel);
    simple->setBackgroundColor(KTPalette::kWindow);
    simple->setGradientColor(QColor(0, 0, 0, 110));
    simple->setFixedSize(220, 72);
    row->addWidget(simple);
    auto *edges = new KTBackgroundGradientView(panel);
    edges->setAutoFillBackground(true);
    QPalette palette = edges->palette();
    palette.setColor(QPalette::Window, KTPalette::kRaised);
    edges->setPalette(palette);
    edges->setFixedSize(220, 72);
    row->addWidget(edges);
    auto *framed = new KTBackgroundView(panel);
    framed->setBackgroundColor(QColor(0, 0, 0, 153));
    framed->setDrawsSelectionFrame(true);
    framed->setFixedSize(220, 72);
    row->addWidget(framed);
    row->addStretch(1);
}

} // namespace

KT_SCREEN(controls_gallery)
{
    Sheet sheet(QStringLiteral("Controls"));
    StateGrid buttons(sheet.section(QStringLiteral("Buttons")));
    for (const Row &row : buttonRows())
        buttons.add(row);
    addRows(sheet.section(QStringLiteral("Rows")));
    addPictures(sheet.section(QStringLiteral("Pictures")));
    addBackgrounds(
        sheet.section(QStringLiteral("Backgrounds: side gradient, shaded edges, dimmed with frame")));
    sheet.column()->addStretch(1);
    sheet.adjustSize();
    sheet.resize(std::max(sheet.width(), 760), sheet.height());
    return context.capture(sheet, [&] { buttons.applyEvents(); });
}

KT_SCREEN(controls_popover)
{
    Sheet sheet(QStringLiteral("Popover"));
    QWidget *panel = sheet.section(QStringLiteral("Below its anchor, offset -20"));
    panel->setFixedSize(420, 220);
    auto *anchor = new KTAbstractButton(QStringLiteral("Export"), panel);
    anchor->setPictogramName(QStringLiteral("share"));
    anchor->setPushed(true);
    anchor->move(150, 16);
    anchor->resize(anchor->sizeHint());
    sheet.column()->addStretch(1);
    sheet.adjustSize();

    // The popover hands its content back when it goes; the screen owns it.
    auto owned = std::make_unique<QWidget>();
    QWidget *content = owned.get();
    content->resize(240, 120);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(12, 10, 12, 12);
    layout->addWidget(label(QStringLiteral("Export 3 images"), ktBodyFont(), KTPalette::kText, content));
    auto *move = new KTSButton(QStringLiteral("Move"), content);
    move->setFixedSize(96, 24);
    auto *copy = new KTSButton(QStringLiteral("Copy"), content);
    copy->setFixedSize(96, 24);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(move);
    buttons->addWidget(copy);
    buttons->addStretch(1);
    layout->addStretch(1);
    layout->addLayout(buttons);
    KTPopoverView popover(content);
    popover.setArrowEdge(KTPopoverView::ArrowTop);
    popover.setArrowOffset(20);

    QImage picture = context.capture(sheet);
    const QImage frame = context.capture(popover);
    // Where the manager would put it: below the anchor, 20 to the left of its middle.
    const QPoint anchorBottom = anchor->mapTo(&sheet, QPoint(anchor->width() / 2, anchor->height()));
    QPainter painter(&picture);
    painter.drawImage(
        QPointF(anchorBottom.x() - frame.deviceIndependentSize().width() / 2 - 20, anchorBottom.y() + 2),
        frame);
    return picture;
}
