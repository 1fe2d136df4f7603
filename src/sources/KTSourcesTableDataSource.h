#pragma once

#include <QString>

class KTSourcesTableView;

/// What one row of the sources table shows.
struct KTSourceCell
{
    QString text;
    /// A KTNamedImages name ("source_folder", "source_lightroom", ...).
    QString imageName;
};

/// Supplies the rows of a KTSourcesTableView; asked again at each reloadData().
class KTSourcesTableDataSource
{
public:
    virtual ~KTSourcesTableDataSource() = default;
    virtual int numberOfRowsInTableView(KTSourcesTableView *tableView) = 0;
    virtual KTSourceCell tableViewCellForRow(KTSourcesTableView *tableView, int row) = 0;
};
