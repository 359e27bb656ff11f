#pragma once

#include "drives/DriveIdentity.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;

namespace quillet {

class SyncController;
class XPButton;

// The dialog that pairs the drive to keep in step with: the candidate drives, the
// same-root option, and "Start New Sync", which replaces any earlier pairing.
class NewSync : public QDialog {
    Q_OBJECT

public:
    explicit NewSync(SyncController& controller, QWidget* parent = nullptr);

    QLabel* DriveLabel() const { return m_driveLabel; }
    QComboBox* Drives() const { return m_drives; }
    QLabel* RefreshDrvs() const { return m_refreshDrvs; }
    QCheckBox* ForceLetter() const { return m_forceLetter; }
    QCheckBox* ShowAllDrives() const { return m_showAllDrives; }
    QLabel* InfoLabel() const { return m_infoLabel; }
    XPButton* Sync() const { return m_sync; }
    XPButton* CancelSync() const { return m_cancelSync; }

    // Fills the list with the candidate drives, none of them selected.
    void RefreshDrives();
    // The Refresh link: the same, under the wait pointer.
    void refreshWithWaitCursor();
    // "Start New Sync": pairs the selected drive and closes, unless the user keeps the old
    // pairing or the drive is refused (it says why).
    void startNewSync();

private:
    void selectionChanged();
    static constexpr int InfoWidth = 428;

    SyncController& m_controller;
    DriveIdentity::Candidates m_candidates;
    QLabel* m_driveLabel;
    QComboBox* m_drives;
    QLabel* m_refreshDrvs;
    QCheckBox* m_forceLetter;
    QCheckBox* m_showAllDrives;
    QLabel* m_infoLabel;
    XPButton* m_sync;
    XPButton* m_cancelSync;
};

} // namespace quillet
