#pragma once

class KTImageCollectionViewCell;

/// What a thumbnail cell tells its grid. The grid that attaches a cell becomes its delegate
/// (held without ownership). Both calls run on the main thread, from the cell's buttons.
class KTImageCollectionViewCellDelegate
{
public:
    virtual ~KTImageCollectionViewCellDelegate() = default;

    /// The cell's reject button was clicked. The cell changed nothing: the grid decides which
    /// images to reject or restore, and the button follows the record.
    virtual void onTrashClicked(KTImageCollectionViewCell *cell) = 0;
    /// The cell's pick button was clicked. The cell has already turned its own image's "picked"
    /// over; the grid may hand the new value on to other selected images.
    virtual void onFlagClicked(KTImageCollectionViewCell *cell) = 0;
};
