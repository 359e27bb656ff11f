#pragma once

#include <QDialog>
#include <QString>

class QFileSystemModel;
class QLabel;
class QLineEdit;
class QSortFilterProxyModel;
class QTreeView;

namespace quillet {

class XPButton;

// Where on the drive a file goes: the drive's folders, and only those, with the drive's
// root open at first; a new folder can be made in the open one. OK chooses the open folder.
class CopyFile : public QDialog {
    Q_OBJECT

public:
    // root is where the drive is mounted now.
    explicit CopyFile(const QString& root, QWidget* parent = nullptr);

    QLabel* Whereto() const { return m_whereto; }
    QTreeView* Directory() const { return m_directory; }
    QLabel* Labels() const { return m_labels; }
    QLineEdit* FolderName() const { return m_folderName; }
    XPButton* CreateFolder() const { return m_createFolder; }
    XPButton* bOk() const { return m_ok; }
    XPButton* bCancel() const { return m_cancel; }

    // The folder OK chose; empty when the dialog was cancelled or closed.
    QString DestFolder() const { return m_destFolder; }
    // The folder open in Directory (the root ends in a separator, as the drive's root does).
    QString openFolder() const;
    // Opens path in Directory when it is a folder of the drive; false otherwise.
    bool setOpenFolder(const QString& path);
    // Makes the folder named in FolderName inside the open one. A name that cannot be made
    // (none, one with a separator, one already there) makes nothing and says nothing.
    void makeFolder();

public Q_SLOTS:
    void reject() override;

private:
    void openFolderChanged();

    QString m_root;
    QString m_destFolder;
    QFileSystemModel* m_model;
    QSortFilterProxyModel* m_folders;
    QLabel* m_whereto;
    QTreeView* m_directory;
    QLabel* m_labels;
    QLineEdit* m_folderName;
    XPButton* m_createFolder;
    XPButton* m_ok;
    XPButton* m_cancel;
};

} // namespace quillet
