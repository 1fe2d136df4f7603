#pragma once

#include <QColor>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>
#include <QWidget>

#include <functional>

class KTExifTableView;
class QScrollArea;

/// The EXIF panel's view: nineteen rows in three groups (the file, the exposure, the lens,
/// camera and colour) of the shown file's facts and camera settings, above the histogram area.
/// A value that is missing reads "---".
///
/// Threading: main thread only.
class KTImageExifView : public QWidget
{
    Q_OBJECT
public:
    explicit KTImageExifView(QWidget *parent = nullptr);

    /// Device RGB 22/255: the panel's fill (also the info-views container's).
    static QColor backgroundColor();
    /// Device RGB (88, 82, 77)/255: the container's separator line.
    static QColor shadowBorderColor();
    /// What a missing value reads.
    static QString noValue() { return QStringLiteral("---"); }

    QVariantMap metadata() const { return m_metadata; }
    void setMetadata(const QVariantMap &metadata);
    QUrl fileURL() const { return m_fileURL; }
    /// Also sets the file name (its last path component).
    void setFileURL(const QUrl &url);
    QString fileName() const { return m_fileName; }
    QString colorSpaceName() const { return m_colorSpaceName; }
    void setColorSpaceName(const QString &name);
    bool drawsShadow() const { return m_drawsShadow; }
    void setDrawsShadow(bool draws) { m_drawsShadow = draws; }

    /// The titles in order, and the rows after which a separator follows (6 and 13).
    QStringList namesArray() const { return m_namesArray; }
    QSet<int> separators() const { return m_separators; }
    /// The value text of a row, "---" when it has none.
    QString valueForInfoKey(const QString &title) const;
    /// Rebuilds the rows from the current values.
    void updateExifTableView();

    KTExifTableView *exifTableView() const { return m_exifTableView; }
    QScrollArea *scrollView() const { return m_scrollView; }
    /// The area under the rows where the panel's owner puts the histogram.
    QWidget *histogramView() const { return m_histogramView; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    using Value = std::function<QString()>;
    void addRow(const QString &title, Value value);
    void addSeparator();

    QString fileTypeDescription() const;
    QString fileSize() const;
    QString fileTime() const;
    QString imageDimensions() const;

    QVariantMap m_metadata;
    QUrl m_fileURL;
    QString m_fileName;
    QString m_colorSpaceName;
    bool m_drawsShadow = false;
    QStringList m_namesArray;
    QHash<QString, Value> m_values;
    QSet<int> m_separators;
    QScrollArea *m_scrollView = nullptr;
    KTExifTableView *m_exifTableView = nullptr;
    QWidget *m_histogramView = nullptr;
};
