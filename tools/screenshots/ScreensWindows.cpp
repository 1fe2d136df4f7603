// Windows and indicators: the title strip, the overlay window, progress bars and spinners, the
// rating, scrollers, the sources-table rows, the compare selection marks and the text fields.

#include "KTScreenMainWindow.h"
#include "KTScreenRegistry.h"
#include "KTScreenSession.h"

#include "KTAbstractButton.h"
#include "KTAbstractProgressIndicator.h"
#include "KTAttributedTextField.h"
#include "KTColor.h"
#include "KTFont.h"
#include "KTImageSelectionView.h"
#include "KTLevelIndicator.h"
#include "KTNamedImages.h"
#include "KTOverlayWindow.h"
#include "KTPathTextField.h"
#include "KTProgressIndicator.h"
#include "KTScroller.h"
#include "KTSimpleBackgroundView.h"
#include "KTSliderCell.h"
#include "KTSpinner.h"
#include "KTStringAdditions.h"
#include "KTTableRowView.h"
#include "KTVertCenteredTextFieldCell.h"
#include "KTWindow.h"
#include "KTWindowWithCustomButtons.h"

#include <QApplication>
#include <QEnterEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QLabel *caption(const QString &text, const QFont &font, const QColor &colour, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

/// A board in the window grey: a title and panels, each under a small caption.
class Board : public QWidget
{
public:
    explicit Board(const QString &title) : m_column(new QVBoxLayout(this))
    {
        m_column->setContentsMargins(24, 20, 24, 24);
        m_column->setSpacing(10);
        m_column->addWidget(caption(title, ktTitleFont(), KTPalette::kText, this));
    }

    QWidget *panel(const QString &title)
    {
        m_column->addSpacing(4);
        m_column->addWidget(caption(title.toUpper(), ktSmallFont(), KTPalette::kSecondaryText, this));
        auto *panel = new KTSimpleBackgroundView(this);
        panel->setBackgroundColor(KTPalette::kPanel);
        m_column->addWidget(panel);
        return panel;
    }

    void finish(int minimumWidth)
    {
        m_column->addStretch(1);
        adjustSize();
        resize(std::max(width(), minimumWidth), height());
    }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), KTPalette::kWindow); }

private:
    QVBoxLayout *m_column;
};

/// A grid in a panel with the boards' margins.
QGridLayout *gridIn(QWidget *panel, int horizontalSpacing, int verticalSpacing)
{
    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(16, 14, 16, 16);
    grid->setHorizontalSpacing(horizontalSpacing);
    grid->setVerticalSpacing(verticalSpacing);
    return grid;
}

QImage titleStrip(KTScreenContext &context, int width, StripLook look = StripLook::MainWindow)
{
    KTWindow window;
    dressMainWindow(window, context, QSize(width, 200), look);
    return context.capture(window, [&] {
        window.activateWindow();
        (void)QTest::qWaitForWindowActive(&window, 1000);
        QApplication::processEvents();
    });
}

/// What an information window shows: a title, some text and a button that closes it.
class InfoOverlay : public KTOverlayWindow
{
public:
    InfoOverlay()
    {
        auto *column = new QVBoxLayout(this);
        column->setContentsMargins(28, 24, 28, 20);
        column->setSpacing(10);
        column->addWidget(caption(tr("Quick Tips"), ktTitleFont(), KTPalette::kText, this));
        auto *body =
            caption(tr("Press P to pick the selected images and X to reject them. Rejected images stay "
                       "in the session until you move them to the trash."),
                    ktBodyFont(), KTPalette::kSecondaryText, this);
        body->setWordWrap(true);
        column->addWidget(body);
        column->addStretch(1);
        auto *close = new KTAbstractButton(tr("Close"), this);
        close->setFixedSize(close->sizeHint().width() + 16, 24);
        connect(close, &KTControl::clicked, this, &KTOverlayWindow::closeOverlay);
        auto *buttons = new QHBoxLayout;
        buttons->addStretch(1);
        buttons->addWidget(close);
        column->addLayout(buttons);
        setFixedWidth(400);
        adjustSize();
    }
};

} // namespace

KT_SCREEN(windows_title_strip_wide)
{
    return titleStrip(context, 1000);
}

KT_SCREEN(windows_title_strip_narrow)
{
    return titleStrip(context, 560);
}

KT_SCREEN(windows_title_strip_default_look)
{
    return titleStrip(context, 720, StripLook::Default);
}

KT_SCREEN(windows_title_strip_full_screen)
{
    KTWindow window;
    dressMainWindow(window, context, QSize(800, 600));
    window.setWindowState(Qt::WindowFullScreen);
    return context.capture(window, [&] {
        QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
        QApplication::sendEvent(window.windowButtons(), &enter);
    });
}

KT_SCREEN(windows_overlay)
{
    KTWindow window;
    dressMainWindow(window, context, QSize(900, 560));
    window.show();
    (void)QTest::qWaitForWindowExposed(&window, 2000);
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    InfoOverlay overlay;
    QImage picture;
    QTimer::singleShot(0, &overlay, [&] {
        // The overlay is a window of its own: put its picture where it stands over the parent.
        picture = captureWithWindowsOver(window, {&overlay});
        overlay.closeOverlay();
    });
    overlay.showInWindow(&window);
    window.hide();
    return picture;
}

KT_SCREEN(indicators_progress_bars)
{
    Board board(QStringLiteral("Progress bars"));
    QWidget *panel = board.panel(QStringLiteral("Striped bar: determinate, indeterminate, zero steps"));
    QGridLayout *grid = gridIn(panel, 16, 14);
    struct Row
    {
        QString label;
        bool indeterminate;
        double maximum;
        double value;
    };
    const Row rows[] = {{"0 %", false, 1, 0},
                        {"37 %", false, 1, 0.37},
                        {"100 %", false, 1, 1},
                        {"Working…", true, 1, 0.5},
                        {"0 of 0", false, 0, 0}};
    for (const Row &row : rows) {
        const int line = grid->rowCount();
        grid->addWidget(caption(row.label, ktSmallFont(), KTPalette::kSecondaryText, panel), line, 0);
        auto *bar = new KTProgressIndicator(panel);
        bar->setFixedSize(360, 12);
        bar->setIndeterminate(row.indeterminate);
        bar->setMaxValue(row.maximum);
        bar->setValue(row.value);
        grid->addWidget(bar, line, 1);
    }
    grid->setColumnStretch(2, 1);
    board.finish(560);
    return context.capture(board);
}

KT_SCREEN(indicators_spinners)
{
    Board board(QStringLiteral("Spinners"));
    QWidget *fins = board.panel(QStringLiteral("Fin spinner: stopped, running, 25 % and 70 %"));
    auto *row = new QHBoxLayout(fins);
    row->setContentsMargins(16, 14, 16, 16);
    row->setSpacing(24);
    std::vector<KTAbstractProgressIndicator *> running;
    for (const int size : {16, 32}) {
        for (int kind = 0; kind < 4; ++kind) {
            auto *indicator = new KTAbstractProgressIndicator(fins);
            indicator->setFixedSize(size, size);
            indicator->setColor(KTPalette::kText);
            if (kind == 1)
                running.push_back(indicator);
            if (kind == 2)
                indicator->setDoubleValue(25);
            if (kind == 3)
                indicator->setDoubleValue(70);
            row->addWidget(indicator, 0, Qt::AlignVCenter);
        }
    }
    row->addStretch(1);

    QWidget *frames = board.panel(QStringLiteral("Picture spinner: the twelve frames"));
    auto *strip = new QHBoxLayout(frames);
    strip->setContentsMargins(16, 14, 16, 16);
    strip->setSpacing(12);
    for (int frame = 0; frame < KTSpinner::kFrameCount; ++frame) {
        auto *spinner = new KTSpinner(frames);
        spinner->setFixedSize(16, 16);
        for (int step = 0; step < frame; ++step)
            spinner->showNextFrame();
        strip->addWidget(spinner);
    }
    strip->addStretch(1);
    board.finish(520);
    return context.capture(board, [&] {
        for (KTAbstractProgressIndicator *indicator : running) {
            indicator->startAnimation();
            for (int step = 0; step < 4; ++step)
                indicator->updateFrame();
        }
    });
}

KT_SCREEN(controls_rating)
{
    Board board(QStringLiteral("Rating"));
    QWidget *panel = board.panel(QStringLiteral("Ratings 0 to 5, and disabled"));
    QGridLayout *grid = gridIn(panel, 28, 10);
    for (int value = 0; value <= 6; ++value) {
        auto *rating = new KTLevelIndicator(panel);
        rating->cell()->setDisplayDots(true);
        rating->setInactiveDotsImage(
            KTNamedImages::shared().image(QStringLiteral("rate"), context.devicePixelRatio()));
        rating->setIntegerValue(std::min(value, 5));
        rating->setFixedSize(rating->sizeHint());
        if (value == 6) {
            rating->setIntegerValue(3);
            rating->setButtonEnabled(false);
        }
        const QString label = value == 6 ? QStringLiteral("Disabled") : QString::number(value);
        grid->addWidget(caption(label, ktSmallFont(), KTPalette::kSecondaryText, panel), value % 4 * 1,
                        value / 4 * 2);
        grid->addWidget(rating, value % 4, value / 4 * 2 + 1);
    }
    grid->setColumnStretch(4, 1);
    board.finish(420);
    return context.capture(board);
}

KT_SCREEN(controls_scrollers)
{
    Board board(QStringLiteral("Scrollers and slider"));
    QWidget *panel =
        board.panel(QStringLiteral("Scroll view with drawn scrollers, zoom slider without ticks"));
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(16, 14, 16, 16);
    column->setSpacing(12);
    auto *area = new QScrollArea(panel);
    area->setFrameShape(QFrame::NoFrame);
    // The corner between the two bars takes the window colour.
    QPalette areaColours = area->palette();
    areaColours.setColor(QPalette::Window, KTPalette::kPanel);
    area->setPalette(areaColours);
    area->setVerticalScrollBar(new KTScroller(Qt::Vertical));
    area->setHorizontalScrollBar(new KTScroller(Qt::Horizontal));
    auto *wall = thumbnailWall(photos(context, 40, QSize(120, 120)), nullptr);
    wall->setFixedSize(1100, 700);
    area->setWidget(wall);
    area->setFixedSize(520, 300);
    area->verticalScrollBar()->setValue(120);
    area->horizontalScrollBar()->setValue(200);
    column->addWidget(area);
    auto *slider = new KTSliderCell(Qt::Horizontal, panel);
    slider->setRange(0, 100);
    slider->setValue(40);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setFixedSize(200, 20);
    column->addWidget(slider);
    board.finish(600);
    return context.capture(board, [&] {
        area->verticalScrollBar()->setValue(120);
        area->horizontalScrollBar()->setValue(200);
    });
}

KT_SCREEN(sources_table_rows)
{
    Board board(QStringLiteral("Sources table rows"));
    QWidget *panel = board.panel(QStringLiteral("Rows: plain, selected, plain with the pointer on the path"));
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(2);
    struct Source
    {
        QString name;
        QString path;
    };
    const Source sources[] = {
        {"Harbour", "/home/ann/Pictures/2014/Harbour"},
        {"Market", "/media/ann/Archive Disk/Photos/2014/Travel/Spring in the South/Market"},
        {"Hills", "/home/ann/Pictures/2014/Hills"},
    };
    std::vector<KTPathTextField *> paths;
    for (int index = 0; index < 3; ++index) {
        auto *row = new KTTableRowView(panel);
        row->setRowIndex(index);
        row->setFixedSize(460, 46);
        auto *lines = new QVBoxLayout(row);
        QMargins margins = row->contentsMargins();
        margins.setLeft(14);
        margins.setTop(6);
        margins.setBottom(6);
        lines->setContentsMargins(margins);
        lines->setSpacing(1);
        lines->addWidget(caption(sources[index].name, ktBodyFont(), KTPalette::kText, row));
        auto *path = new KTPathTextField(row);
        path->setFont(ktSmallFont());
        path->setStringValue(sources[index].path);
        lines->addWidget(path);
        paths.push_back(path);
        row->setSelected(index == 1);
        column->addWidget(row);
    }
    board.finish(520);
    return context.capture(board, [&] {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(paths[2], &enter);
    });
}

KT_SCREEN(compare_selection)
{
    Board board(QStringLiteral("Compare selection"));
    QWidget *panel = board.panel(QStringLiteral("Selected image (left) and the other one"));
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(16, 16, 16, 16);
    row->setSpacing(12);
    const QList<QImage> images = photos(context, 2, QSize(360, 270));
    for (int side = 0; side < 2; ++side) {
        auto *pane = new QLabel(panel);
        pane->setFixedSize(360, 270);
        pane->setAlignment(Qt::AlignCenter);
        pane->setPixmap(QPixmap::fromImage(images[side]));
        pane->setAutoFillBackground(true);
        QPalette colours = pane->palette();
        colours.setColor(QPalette::Window, Qt::black);
        pane->setPalette(colours);
        auto *mark = new KTImageSelectionView(pane);
        mark->setGeometry(pane->rect());
        mark->setSelected(side == 0);
        row->addWidget(pane);
    }
    row->addStretch(1);
    board.finish(780);
    return context.capture(board);
}

KT_SCREEN(text_fields)
{
    Board board(QStringLiteral("Text fields and truncation"));
    QWidget *fields = board.panel(QStringLiteral("Styled text, centred field, path"));
    QGridLayout *grid = gridIn(fields, 16, 10);
    const auto label = [&](const QString &text, int line) {
        grid->addWidget(caption(text, ktSmallFont(), KTPalette::kSecondaryText, fields), line, 0);
    };
    KTTextAttributes body;
    body.font = ktTitleFont();
    label(QStringLiteral("Shadowed"), 0);
    auto *styled = new KTAttributedTextField(QStringLiteral("Similar Groups"), body, QString(), fields);
    styled->setReadOnly(true);
    styled->setFocusPolicy(Qt::NoFocus);
    styled->setFixedSize(240, 24);
    grid->addWidget(styled, 0, 1);

    label(QStringLiteral("Underlined"), 1);
    auto *underlined = new KTAttributedTextField(fields);
    underlined->setUnderlineText(true);
    underlined->setReadOnly(true);
    underlined->setFocusPolicy(Qt::NoFocus);
    underlined->setStringValue(QStringLiteral("Show in File Manager"));
    underlined->setFixedSize(240, 22);
    grid->addWidget(underlined, 1, 1);

    label(QStringLiteral("Centred field"), 2);
    auto *centred = new KTVertCenteredTextFieldCell(fields);
    centred->setText(QStringLiteral("someone@example.com"));
    centred->setFixedSize(240, 28);
    centred->setFrame(false);
    QPalette colours = centred->palette();
    colours.setColor(QPalette::Base, KTPalette::kRaised);
    colours.setColor(QPalette::Text, KTPalette::kText);
    centred->setPalette(colours);
    grid->addWidget(centred, 2, 1);

    label(QStringLiteral("Path"), 3);
    auto *path = new KTPathTextField(fields);
    path->setStringValue(QStringLiteral("/media/ann/Archive Disk/Photos/2014/Travel/Market/IMG_0042.CR2"));
    path->setFixedSize(240, 20);
    grid->addWidget(path, 3, 1);
    grid->setColumnStretch(2, 1);

    QWidget *cuts = board.panel(QStringLiteral("Names cut to 150 pixels: at the end and in the middle"));
    QGridLayout *table = gridIn(cuts, 24, 6);
    const QString names[] = {
        QStringLiteral("IMG_0001.CR2"),
        QStringLiteral("Cafe\u0301 de Flore, Re\u0301publique.jpg"),
        QStringLiteral("Ha\u0323 Long Bay, Vie\u0323\u0302t Nam, at dawn.cr2"),
        QStringLiteral("Spring market in the old town, morning light.nef"),
    };
    const QFont font = ktBodyFont();
    for (int line = 0; line < 4; ++line) {
        table->addWidget(caption(KTStringAdditions::constrainedStringToWidth(names[line], 150, font), font,
                                 KTPalette::kText, cuts),
                         line, 0);
        table->addWidget(caption(KTStringAdditions::constrainedStringInCenterToWidth(names[line], 150, font),
                                 font, KTPalette::kText, cuts),
                         line, 1);
    }
    table->setColumnMinimumWidth(0, 160);
    table->setColumnStretch(2, 1);
    board.finish(560);
    return context.capture(board);
}
