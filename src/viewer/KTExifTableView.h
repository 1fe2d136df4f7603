#pragma once

#include <QColor>
#include <QSet>
#include <QStringList>
#include <QWidget>

/// The rows of the EXIF panel: right-aligned titles, then values in a 130-point column that
/// wraps long values, with separator lines after chosen rows. Rows are named "rowView<n>" and
/// separators "separator<n>" after their row.
///
/// Threading: main thread only.
class KTExifTableView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kValueWidth = 130;
    static constexpr int kColumnOffset = 6;
    static constexpr int kMainOffset = 7;

    explicit KTExifTableView(QWidget *parent = nullptr);

    /// Grey 86: titles and separator lines.
    QColor darkColor() const { return m_darkColor; }
    void setDarkColor(const QColor &color) { m_darkColor = color; }
    /// Grey 163: values.
    QColor lightColor() const { return m_lightColor; }
    void setLightColor(const QColor &color) { m_lightColor = color; }

    /// Rebuilds every row. The two lists must be as long (asserted: "There should be as many
    /// titles as values"); a separator follows each row whose index is in `separators`.
    void setRowsTitles(const QStringList &titles, const QStringList &values, const QSet<int> &separators);
    QWidget *rowViewWithTitle(const QString &title, const QString &value);
    QWidget *separatorView();

    /// The value shown in row `row` (empty without such a row).
    QString valueAt(int row) const;
    QString titleAt(int row) const;
    int rowCount() const;

private:
    QColor m_darkColor;
    QColor m_lightColor;
};
