#pragma once

#include "shell/ItemPickers.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

namespace quillet::test {

// Answers the window's pickers from lists a test fills, and remembers each question. An
// empty list answers as a person who cancels.
class FakePickers : public ItemPickers {
public:
    struct Asked {
        QString picker; // "ShowOpen", "BrowseForFolder" or "ShowCopyFile"
        QString title;  // or the CopyFile dialog's question
        bool newStyle = false;
        QString startIn; // or the drive's root the CopyFile dialog shows
        bool watchRunning = true;
    };

    std::optional<QString> ShowOpen(QWidget* owner, const QString& title) override {
        (void)owner;
        note({QStringLiteral("ShowOpen"), title, false, QString()});
        return openAnswers.isEmpty() ? std::nullopt : openAnswers.takeFirst();
    }
    QString BrowseForFolder(QWidget* owner, const QString& title, bool newStyle,
                            const QString& startIn) override {
        (void)owner;
        note({QStringLiteral("BrowseForFolder"), title, newStyle, startIn});
        return folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
    }
    QString ShowCopyFile(QWidget* owner, const QString& whereto, const QString& root) override {
        (void)owner;
        note({QStringLiteral("ShowCopyFile"), whereto, false, root});
        return destAnswers.isEmpty() ? QString() : destAnswers.takeFirst();
    }

    QStringList pickersAsked() const {
        QStringList names;
        for (const Asked& one : asked)
            names << one.picker;
        return names;
    }

    QList<std::optional<QString>> openAnswers;
    QStringList folderAnswers;
    QStringList destAnswers;
    QList<Asked> asked;
    // Whether the drive watch runs, looked at while each picker is up.
    std::function<bool()> watchRunning;

private:
    void note(Asked one) {
        one.watchRunning = watchRunning ? watchRunning() : true;
        asked.append(one);
    }
};

} // namespace quillet::test
