// The gallery of controls: every control in each state (normal, hover, pushed, disabled, on).

#include "KTScreenRegistry.h"

#include "KTAbstractButton.h"
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
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <functional>
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
            if (state == State::On && !row.turnOn) {
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

std::vector<Row> buttonRows()
{
    const auto pushOn = [](KTControl *control) { static_cast<KTAbstractButton *>(control)->setPushed(true); };
    return {
        {QStringLiteral("Button"),
         [](QWidget *parent) { return new KTAbstractButton(QStringLiteral("Import"), parent); }, pushOn},
        {QStringLiteral("Button, pictogram"),
         [](QWidget *parent) {
             auto *button = new KTAbstractButton(QStringLiteral("Pick"), parent);
             button->setPictogramName(QStringLiteral("flag"));
             button->setPushedPictogramName(QStringLiteral("flag_on"));
             button->setSelectedFontColor(KTPalette::kAccent);
             return button;
         },
         pushOn},
        {QStringLiteral("Round button"),
         [](QWidget *parent) {
             auto *button = new KTAbstractButton(parent);
             button->setNormalStateThreeImageName(QStringLiteral("round_btn"));
             button->setPushedStateThreeImageName(QStringLiteral("round_btn_on"));
             button->setPictogramPosition(KTAbstractButton::PictogramCentered);
             button->setPictogramName(QStringLiteral("share"));
             button->setPushedPictogramName(QStringLiteral("share_on"));
             return button;
         },
         pushOn},
    };
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
    simple->setGradientColor(QColor(0, 0, 0, 150));
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
    addPictures(sheet.section(QStringLiteral("Pictures")));
    addBackgrounds(
        sheet.section(QStringLiteral("Backgrounds: side gradient, shaded edges, dimmed with frame")));
    sheet.column()->addStretch(1);
    sheet.adjustSize();
    sheet.resize(std::max(sheet.width(), 760), sheet.height());
    return context.capture(sheet, [&] { buttons.applyEvents(); });
}
