#pragma once

#include "KTModalWindowController.h"

#include <QDialog>
#include <QPointer>

class KTAbstractButton;
class KTImageStorage;
class KTSegmentedTimeRangeView;
class KTUserDefaults;
class QCheckBox;

/// The preferences window, run modally by the main window's Preferences command: whether picks
/// and rejects are written back to a Lightroom catalogue (two check boxes), and whether a RAW
/// file and its JPEG twin are one image or two (a two-segment control). Each change is stored in
/// the user defaults at once; the RAW+JPEG choice is also handed to the catalogue, which applies
/// it at the next load (the images already loaded keep their pairing).
///
/// Threading: main thread only; runModal() turns a nested event loop.
class KTPreferencesWindowController : public KTModalWindowController
{
    Q_OBJECT
public:
    /// Segment 0: separate files; segment 1: one image.
    static constexpr int kSeparateFilesSegment = 0;
    static constexpr int kOneImageSegment = 1;

    /// A window over `defaults` that tells `storage` (the shared catalogue when null) of the
    /// RAW+JPEG choice.
    explicit KTPreferencesWindowController(KTImageStorage *storage, KTUserDefaults &defaults,
                                           QObject *parent = nullptr);
    /// The shared catalogue and the standard user defaults.
    explicit KTPreferencesWindowController(QObject *parent = nullptr);
    ~KTPreferencesWindowController() override;

    /// Sets the three controls from the user defaults.
    void commonInit();
    /// Stores the three controls in the user defaults and writes them to disk.
    void saveOptions();

    // The controls' actions.
    void changeShowRAWandJPEGOption();
    void changeLightroomSyncPicksOption();
    void changeLightroomSyncRejectsOption();

    /// The segment shown selected.
    int selectedSegment() const { return m_selectedSegment; }
    /// Selects `segment` as a click would, then acts on it.
    void selectSegment(int segment);

    KTSegmentedTimeRangeView *showRAWandJPEGOptionSegmentedController() const { return m_segments; }
    QCheckBox *lightroomSyncOptionPicksButton() const { return m_picksButton; }
    QCheckBox *lightroomSyncOptionRejectsButton() const { return m_rejectsButton; }
    KTAbstractButton *doneButton() const { return m_doneButton; }

private:
    void buildInterface();
    void showSegment(int segment);

    QPointer<KTImageStorage> m_storage;
    KTUserDefaults &m_defaults;
    int m_selectedSegment = kSeparateFilesSegment;
    KTSegmentedTimeRangeView *m_segments = nullptr;
    QCheckBox *m_picksButton = nullptr;
    QCheckBox *m_rejectsButton = nullptr;
    KTAbstractButton *m_doneButton = nullptr;
};
