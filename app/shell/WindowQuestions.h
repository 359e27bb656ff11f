#pragma once

#include "sync/SyncController.h"

class QWidget;

namespace quillet {

class ItemPickers;

// The window's answers to the edit workflows: the pickers and message boxes, over owner.
class WindowQuestions : public EditQuestions {
public:
    WindowQuestions(QWidget* owner, ItemPickers& pickers) : m_owner(owner), m_pickers(pickers) {}

    std::optional<QString> fileToAdd() override;
    QString folderToAdd() override;
    QString folderForFile(const QString& path, const QString& driveRoot) override;
    QString folderForFolder(const QString& folder, const QString& driveRoot) override;
    bool replacePairing(int storedItems) override;
    bool deleteCopy(const SyncItem& removed) override;

private:
    QWidget* m_owner;
    ItemPickers& m_pickers;
};

} // namespace quillet
