#include "NewSync.h"

#include "Captions.h"
#include "base/Translate.h"
#include "controls/XPButton.h"
#include "sync/SyncController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

namespace quillet {

NewSync::NewSync(SyncController& controller, QWidget* parent)
    : QDialog(parent), m_controller(controller), m_driveLabel(new QLabel(this)),
      m_drives(new QComboBox(this)), m_refreshDrvs(new QLabel(this)),
      m_forceLetter(new QCheckBox(this)), m_showAllDrives(new QCheckBox(this)),
      m_infoLabel(new QLabel(this)), m_sync(new XPButton(this)), m_cancelSync(new XPButton(this)) {
    setObjectName(QStringLiteral("NewSync"));
    setFont(Captions::windowFont());
    m_sync->SetFont(Captions::buttonFont());
    m_cancelSync->SetFont(Captions::buttonFont());
    m_driveLabel->setObjectName(QStringLiteral("DriveLabel"));
    m_drives->setObjectName(QStringLiteral("Drives"));
    m_refreshDrvs->setObjectName(QStringLiteral("RefreshDrvs"));
    m_forceLetter->setObjectName(QStringLiteral("ForceLetter"));
    m_showAllDrives->setObjectName(QStringLiteral("ShowAllDrives"));
    m_infoLabel->setObjectName(QStringLiteral("InfoLabel"));
    m_sync->setObjectName(QStringLiteral("Sync"));
    m_cancelSync->setObjectName(QStringLiteral("CancelSync"));

    // Load: the caption and the texts, then the drives.
    setWindowTitle(Captions::pairingCaption(BuildVersion::current()));
    QString keys;
    m_sync->SetCaption(Captions::withAccessKey(Translate(QStringLiteral("Start New Sync")), keys));
    m_cancelSync->SetCaption(Captions::withAccessKey(Translate(QStringLiteral("Cancel")), keys));
    m_driveLabel->setText(Captions::withAccessKey(
        Translate(QStringLiteral("Please choose the drive to sync:")), keys));
    m_driveLabel->setBuddy(m_drives);
    m_refreshDrvs->setText(QStringLiteral("<a href=\"refresh\">%1</a>")
                               .arg(Translate(QStringLiteral("Refresh")).toHtmlEscaped()));
    m_refreshDrvs->setTextFormat(Qt::RichText);
    m_refreshDrvs->setTextInteractionFlags(Qt::LinksAccessibleByMouse |
                                           Qt::LinksAccessibleByKeyboard);
    m_forceLetter->setText(Captions::withAccessKey(
        Translate(QStringLiteral("Only synchronize if the drive have the same letter.")), keys));
    m_showAllDrives->setText(Captions::withAccessKey(
        Translate(QStringLiteral("Map all drives. (recommended to mini HDD drives)")), keys));
    // Each sentence is translated on its own, then joined.
    m_infoLabel->setText(
        Translate(
            QStringLiteral("Choose the removable drive that will be synchronized with your PC.")) +
        QStringLiteral("\r\n\r\n") +
        Translate(QStringLiteral("Don't forget to set if you want to synchronize only if the drive "
                                 "is on the same drive letter next time you synchronize (in USB "
                                 "devices is not recommended)")));
    m_infoLabel->setWordWrap(true);
    m_infoLabel->setFrameShape(QFrame::StyledPanel);
    m_infoLabel->setMargin(8);
    // A fixed width, so that the dialog's height follows the wrapped text.
    m_infoLabel->setFixedWidth(InfoWidth);

    m_drives->setMinimumWidth(300);
    m_sync->setFixedSize(129, 30);
    m_cancelSync->setFixedSize(98, 30);

    auto* driveRow = new QHBoxLayout;
    driveRow->addWidget(m_drives, 1);
    driveRow->addWidget(m_refreshDrvs);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_sync);
    buttons->addWidget(m_cancelSync);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 14, 16, 14);
    column->addWidget(m_driveLabel);
    column->addLayout(driveRow);
    column->addSpacing(6);
    column->addWidget(m_forceLetter);
    column->addWidget(m_showAllDrives);
    column->addSpacing(6);
    column->addWidget(m_infoLabel);
    column->addSpacing(6);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_refreshDrvs, &QLabel::linkActivated, this, [this] { refreshWithWaitCursor(); });
    connect(m_showAllDrives, &QCheckBox::toggled, this, [this] { RefreshDrives(); });
    connect(m_drives, &QComboBox::currentIndexChanged, this, [this] { selectionChanged(); });
    connect(m_sync, &XPButton::Click, this, [this] { startNewSync(); });
    connect(m_cancelSync, &XPButton::Click, this, &QDialog::reject);

    RefreshDrives();
}

void NewSync::RefreshDrives() {
    m_candidates = m_controller.session().identity().RefreshDrives(m_showAllDrives->isChecked());
    m_drives->clear();
    m_drives->addItems(m_candidates.entries);
    m_drives->setPlaceholderText(m_candidates.entries.isEmpty() ? m_candidates.emptyText
                                                                : QString());
    m_drives->setCurrentIndex(-1);
    m_drives->setEnabled(m_candidates.enabled && !m_candidates.entries.isEmpty());
    selectionChanged();
}

void NewSync::refreshWithWaitCursor() {
    setCursor(Qt::WaitCursor);
    RefreshDrives();
    unsetCursor();
}

void NewSync::selectionChanged() {
    const int index = m_drives->currentIndex();
    m_sync->SetEnabled(index >= 0 && index < m_candidates.roots.size());
}

void NewSync::startNewSync() {
    const int index = m_drives->currentIndex();
    if (index < 0 || index >= m_candidates.roots.size())
        return; // nothing chosen: nothing to pair
    const QString root = m_candidates.roots.at(index);
    const SyncSession::PairOutcome outcome = m_controller.pair(root, m_forceLetter->isChecked());
    if (outcome.ok()) {
        accept();
        return;
    }
    // Kept the old pairing: the dialog stays open. Refused: say why, and stay open too.
    if (!outcome.message.isEmpty())
        QMessageBox::warning(this, Captions::programTitle(), outcome.message);
}

} // namespace quillet
