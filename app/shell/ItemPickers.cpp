#include "ItemPickers.h"

#include "CopyFile.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>

namespace quillet {

namespace {

class DesktopPickers : public ItemPickers {
public:
    std::optional<QString> ShowOpen(QWidget* owner, const QString& title) override {
        // A link is added as the link: it is what the person pointed at. The home folder,
        // not the folder the program was started from, as the folder picker does.
        const QString chosen = QFileDialog::getOpenFileName(
            owner, title, QDir::homePath(), QString(), nullptr, QFileDialog::DontResolveSymlinks);
        if (chosen.isEmpty())
            return std::nullopt;
        return chosen;
    }

    QString BrowseForFolder(QWidget* owner, const QString& title, bool newStyle,
                            const QString& startIn) override {
        QFileDialog::Options options = QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks;
        if (!newStyle)
            options |= QFileDialog::ReadOnly; // no new folders here
        QString chosen = QFileDialog::getExistingDirectory(owner, title, startIn, options);
        if (chosen.isEmpty())
            return QString();
        if (!chosen.endsWith(QLatin1Char('/')))
            chosen += QLatin1Char('/');
        return chosen;
    }

    QString ShowCopyFile(QWidget* owner, const QString& whereto, const QString& root) override {
        CopyFile dialog(root, owner);
        dialog.Whereto()->setText(whereto);
        dialog.exec();
        return dialog.DestFolder();
    }
};

} // namespace

ItemPickers& ItemPickers::system() {
    static DesktopPickers pickers;
    return pickers;
}

} // namespace quillet
