#include "KTImageExifView.h"

#include "KTAbstractScroller.h"
#include "KTDictionaryExif.h"
#include "KTExifTableView.h"
#include "KTImageProperties.h"
#include "KTInfoStrings.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

/// Room for the widest title: the table is as wide as its two columns.
constexpr int kTitleColumnWidth = 116;
constexpr int kHistogramHeight = 110;

} // namespace

QColor KTImageExifView::backgroundColor()
{
    return QColor::fromRgbF(22 / 255.0, 22 / 255.0, 22 / 255.0, 1.0);
}

QColor KTImageExifView::shadowBorderColor()
{
    return QColor::fromRgbF(88 / 255.0, 82 / 255.0, 77 / 255.0, 1.0);
}

KTImageExifView::KTImageExifView(QWidget *parent) : QWidget(parent)
{
    // Every value reads the view's current properties when it runs; without properties a
    // camera value is missing.
    const auto exif = [this](QString (*read)(const QVariantMap &)) -> Value {
        return [this, read] { return m_metadata.isEmpty() ? QString() : read(m_metadata); };
    };
    addRow(QStringLiteral("Name"), [this] { return m_fileName; });
    addRow(QStringLiteral("Catalog"), [this] {
        return m_fileURL.isEmpty() ? QString() : QFileInfo(m_fileURL.toLocalFile()).dir().dirName();
    });
    addRow(QStringLiteral("Type"), [this] { return fileTypeDescription(); });
    addRow(QStringLiteral("Size"), [this] { return fileSize(); });
    addRow(QStringLiteral("Time"), [this] { return fileTime(); });
    addRow(QStringLiteral("Resolution"), [this] { return imageDimensions(); });
    addRow(QStringLiteral("DPI"), [this] {
        return m_metadata.isEmpty()
                   ? noValue()
                   : QStringLiteral("%1x%2").arg(KTDictionaryExif::dpiWidthString(m_metadata),
                                                 KTDictionaryExif::dpiHeightString(m_metadata));
    });
    addSeparator();
    addRow(QStringLiteral("Exposure"), exif(&KTDictionaryExif::exposureTimeString));
    addRow(QStringLiteral("F-Stop"), [this] {
        const QString f = m_metadata.isEmpty() ? QString() : KTDictionaryExif::fNumberString(m_metadata);
        return f.isEmpty() ? QString() : QStringLiteral("f/%1").arg(f);
    });
    addRow(QStringLiteral("Focal Length"), [this] {
        const QString focal =
            m_metadata.isEmpty() ? QString() : KTDictionaryExif::focalLengthTrimmed(m_metadata);
        return focal.isNull() ? QString() : QStringLiteral("%1mm").arg(focal);
    });
    // A file without an exposure bias (no EXIF at all, say) reads "---", not "0 EV".
    addRow(QStringLiteral("Exposure Bias"), [this] {
        const bool told = m_metadata.value(kImagePropertyExifDictionary)
                              .toMap()
                              .contains(kImagePropertyExifExposureBiasValue);
        return told ? KTDictionaryExif::exposureBias(m_metadata) : QString();
    });
    addRow(QStringLiteral("ISO"), exif(&KTDictionaryExif::ISO));
    addRow(QStringLiteral("Exposure Program"), exif(&KTDictionaryExif::exposureProgramString));
    addRow(QStringLiteral("Flash"), exif(&KTDictionaryExif::flashFiredString));
    addSeparator();
    addRow(QStringLiteral("Lens"), exif(&KTDictionaryExif::lensModel));
    addRow(QStringLiteral("Camera Maker"), exif(&KTDictionaryExif::cameraMaker));
    addRow(QStringLiteral("Camera Model"), exif(&KTDictionaryExif::cameraModel));
    addRow(QStringLiteral("Color Model"), exif(&KTDictionaryExif::colorModel));
    addRow(QStringLiteral("Color Space"), [this] { return m_colorSpaceName; });

    m_exifTableView = new KTExifTableView;
    m_exifTableView->setFixedWidth(kTitleColumnWidth + KTExifTableView::kColumnOffset +
                                   KTExifTableView::kValueWidth);
    m_scrollView = new QScrollArea(this);
    m_scrollView->setFrameShape(QFrame::NoFrame);
    m_scrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollView->setWidgetResizable(true);
    m_scrollView->setWidget(m_exifTableView);
    QPalette clear = m_scrollView->palette();
    clear.setColor(QPalette::Window, Qt::transparent);
    m_scrollView->setPalette(clear);
    m_scrollView->viewport()->setAutoFillBackground(false);
    m_exifTableView->setAutoFillBackground(false);
    // The scroll view is as wide as the table plus the scroller and 5 points.
    m_scrollView->setFixedWidth(m_exifTableView->width() + int(KTAbstractScroller::defaultScrollerWidth()) +
                                5);
    m_histogramView = new QWidget(this);
    m_histogramView->setFixedHeight(kHistogramHeight);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(8, 0, 8, 8);
    column->setSpacing(8);
    column->addWidget(m_scrollView, 1);
    column->addWidget(m_histogramView);
    updateExifTableView();
}

void KTImageExifView::addRow(const QString &title, Value value)
{
    m_namesArray.append(title);
    m_values.insert(title, std::move(value));
}

void KTImageExifView::addSeparator()
{
    m_separators.insert(int(m_namesArray.size()) - 1);
}

void KTImageExifView::setMetadata(const QVariantMap &metadata)
{
    m_metadata = metadata;
    updateExifTableView();
}

void KTImageExifView::setFileURL(const QUrl &url)
{
    m_fileURL = url;
    m_fileName = url.isEmpty() ? QString() : QFileInfo(url.toLocalFile()).fileName();
    updateExifTableView();
}

void KTImageExifView::setColorSpaceName(const QString &name)
{
    if (name == m_colorSpaceName && name.isNull() == m_colorSpaceName.isNull())
        return;
    m_colorSpaceName = name;
    updateExifTableView();
}

QString KTImageExifView::valueForInfoKey(const QString &title) const
{
    const auto value = m_values.constFind(title);
    if (value == m_values.constEnd())
        return noValue();
    const QString text = (*value)();
    return text.isEmpty() ? noValue() : text;
}

void KTImageExifView::updateExifTableView()
{
    QStringList values;
    for (const QString &title : std::as_const(m_namesArray))
        values.append(valueForInfoKey(title));
    if (m_exifTableView)
        m_exifTableView->setRowsTitles(m_namesArray, values, m_separators);
}

QString KTImageExifView::fileTypeDescription() const
{
    if (m_fileName.isEmpty())
        return {};
    return QMimeDatabase().mimeTypeForFile(m_fileName, QMimeDatabase::MatchExtension).comment();
}

QString KTImageExifView::fileSize() const
{
    if (m_fileURL.isEmpty())
        return {};
    const QString path = m_fileURL.toLocalFile();
    const QFileInfo file(path);
    if (!file.exists()) {
        qWarning().noquote() << QStringLiteral("Failed to retreive file size at path %1 with error %2")
                                    .arg(path, QStringLiteral("No such file or directory"));
        return {};
    }
    return KTInfoStrings::byteCount(file.size());
}

QString KTImageExifView::fileTime() const
{
    if (m_metadata.isEmpty())
        return {};
    const QString date = KTDictionaryExif::dateString(m_metadata);
    return date.isEmpty() ? KTInfoStrings::fileCreationDate(m_fileURL.toLocalFile()) : date;
}

QString KTImageExifView::imageDimensions() const
{
    if (m_metadata.isEmpty())
        return {};
    const QString size = KTInfoStrings::pixelSize(m_metadata);
    return size.isEmpty() ? noValue() : size;
}

void KTImageExifView::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), backgroundColor());
}
