#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace quillet {

// The dialogs that choose what to add to the list and where on the drive it goes. The
// window asks through here, so that a test can answer in their place.
class ItemPickers {
public:
    virtual ~ItemPickers() = default;

    // The file-open dialog titled title: the file chosen, itself even when it is a link;
    // none when cancelled.
    virtual std::optional<QString> ShowOpen(QWidget* owner, const QString& title) = 0;
    // The folder picker, opening at startIn: the folder chosen, ending in a separator; ""
    // when cancelled. With newStyle the person can make a new folder in it.
    virtual QString BrowseForFolder(QWidget* owner, const QString& title, bool newStyle,
                                    const QString& startIn) = 0;
    // The CopyFile dialog over the folders of the drive mounted at root, asking whereto:
    // the folder chosen (DestFolder), "" when cancelled.
    virtual QString ShowCopyFile(QWidget* owner, const QString& whereto, const QString& root) = 0;

    // The desktop's own dialogs.
    static ItemPickers& system();
};

} // namespace quillet
