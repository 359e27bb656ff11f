#include "CopyFile.h"

#include "Captions.h"
#include "base/Path.h"
#include "base/Translate.h"
#include "controls/XPButton.h"

#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace quillet {

namespace {

// Keeps the drive's folders and the folders that lead down to its root; nothing beside
// them, so that no other drive can be reached.
class DriveFolders : public QSortFilterProxyModel {
public:
    DriveFolders(const QString& root, QObject* parent)
        : QSortFilterProxyModel(parent), m_root(withoutSeparator(root)),
          m_below(m_root == QLatin1String("/") ? m_root : m_root + QLatin1Char('/')) {}

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const auto* folders = static_cast<const QFileSystemModel*>(sourceModel());
        const QString path = folders->filePath(folders->index(row, 0, parent));
        if (path == m_root || path.startsWith(m_below))
            return true;
        // A folder above the root.
        return path == QLatin1String("/") || m_root.startsWith(path + QLatin1Char('/'));
    }

private:
    QString m_root;
    QString m_below;
};

// A name for one new folder inside another.
bool makeableName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".") &&
           name != QLatin1String("..");
}

} // namespace

CopyFile::CopyFile(const QString& root, QWidget* parent)
    : QDialog(parent), m_root(root), m_model(new QFileSystemModel(this)),
      m_folders(new DriveFolders(root, this)), m_whereto(new QLabel(this)),
      m_directory(new QTreeView(this)), m_labels(new QLabel(this)),
      m_folderName(new QLineEdit(this)), m_createFolder(new XPButton(this)),
      m_ok(new XPButton(this)), m_cancel(new XPButton(this)) {
    setObjectName(QStringLiteral("CopyFile"));
    setFont(Captions::windowFont());
    m_whereto->setObjectName(QStringLiteral("Whereto"));
    m_directory->setObjectName(QStringLiteral("Directory"));
    m_labels->setObjectName(QStringLiteral("Labels"));
    m_folderName->setObjectName(QStringLiteral("FolderName"));
    m_createFolder->setObjectName(QStringLiteral("CreateFolder"));
    m_ok->setObjectName(QStringLiteral("bOk"));
    m_cancel->setObjectName(QStringLiteral("bCancel"));

    // Load: the caption names the drive's root; then the texts.
    setWindowTitle(Translate(QStringLiteral("Copy to removable drive...")) + QStringLiteral(" [") +
                   m_root + QLatin1Char(']'));
    QString keys;
    m_ok->SetCaption(Captions::withAccessKey(Translate(QStringLiteral("OK")), keys));
    m_cancel->SetCaption(Captions::withAccessKey(Translate(QStringLiteral("Cancel")), keys));
    m_createFolder->SetCaption(
        Captions::withAccessKey(Translate(QStringLiteral("Press to create a new folder")), keys));
    m_labels->setText(Captions::withAccessKey(Translate(QStringLiteral("New folder name:")), keys));
    m_labels->setBuddy(m_folderName);
    for (XPButton* button : {m_ok, m_cancel, m_createFolder})
        button->SetFont(Captions::buttonFont());
    m_whereto->setWordWrap(true);

    // The drive's folders; links are not followed out of it.
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    m_model->setResolveSymlinks(false);
    m_model->setReadOnly(false); // new folders are made through it
    m_model->setRootPath(m_root);
    m_folders->setSourceModel(m_model);
    m_directory->setModel(m_folders);
    m_directory->setHeaderHidden(true);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_directory->hideColumn(column);
    m_directory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_directory->setSelectionMode(QAbstractItemView::SingleSelection);
    const QModelIndex rootIndex =
        m_folders->mapFromSource(m_model->index(withoutSeparator(m_root)));
    m_directory->setRootIndex(rootIndex.parent());
    m_directory->setCurrentIndex(rootIndex);
    m_directory->expand(rootIndex);
    connect(m_directory->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { openFolderChanged(); });

    m_directory->setMinimumSize(420, 220);
    m_ok->setFixedSize(98, 30);
    m_cancel->setFixedSize(98, 30);
    m_createFolder->setFixedSize(190, 26);

    auto* newFolder = new QHBoxLayout;
    newFolder->addWidget(m_labels);
    newFolder->addWidget(m_folderName, 1);
    newFolder->addWidget(m_createFolder);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 12, 14, 12);
    column->addWidget(m_whereto);
    column->addWidget(m_directory, 1);
    column->addLayout(newFolder);
    column->addSpacing(4);
    column->addLayout(buttons);

    connect(m_createFolder, &XPButton::Click, this, [this] { makeFolder(); });
    connect(m_folderName, &QLineEdit::returnPressed, this, [this] { makeFolder(); });
    connect(m_ok, &XPButton::Click, this, [this] {
        m_destFolder = openFolder();
        accept();
    });
    connect(m_cancel, &XPButton::Click, this, &CopyFile::reject);
}

QString CopyFile::openFolder() const {
    const QModelIndex current = m_folders->mapToSource(m_directory->currentIndex());
    const QString path = current.isValid() ? m_model->filePath(current) : QString();
    if (path.isEmpty() || path == withoutSeparator(m_root))
        return m_root;
    return path;
}

bool CopyFile::setOpenFolder(const QString& path) {
    const QModelIndex index = m_folders->mapFromSource(m_model->index(withoutSeparator(path)));
    if (!index.isValid() || !m_model->isDir(m_folders->mapToSource(index)))
        return false;
    m_directory->setCurrentIndex(index);
    m_directory->scrollTo(index);
    return true;
}

void CopyFile::openFolderChanged() {
    setWindowTitle(Translate(QStringLiteral("Copy to removable drive...")) + QStringLiteral(" [") +
                   openFolder() + QLatin1Char(']'));
}

void CopyFile::makeFolder() {
    const QString name = m_folderName->text();
    if (!makeableName(name))
        return;
    // The folder list shows it at once; the open folder stays the one that was open.
    const QModelIndex parentFolder = m_model->index(withoutSeparator(openFolder()));
    if (parentFolder.isValid())
        m_model->mkdir(parentFolder, name);
}

void CopyFile::reject() {
    // Closing the window, Escape and Cancel all choose nothing.
    m_destFolder.clear();
    QDialog::reject();
}

} // namespace quillet
