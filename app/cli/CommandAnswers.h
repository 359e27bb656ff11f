#pragma once

#include "platform/FileSystem.h"
#include "sync/SyncController.h"

#include <QStringList>
#include <QTextStream>
#include <functional>
#include <optional>

namespace quillet {

// How the questions of a command are answered: by --yes or --no, or else by the person at
// the terminal, or No when there is nobody to ask.
class AnswerPolicy {
public:
    enum class Given { None, Yes, No };
    // readLine reads one typed line; nullptr when there is no terminal.
    AnswerPolicy(Given given, QTextStream& err, std::function<bool(QString&)> readLine)
        : m_given(given), m_err(err), m_readLine(std::move(readLine)) {}

    Given given() const { return m_given; }
    // Where questions and what leads up to them are written.
    QTextStream& err() const { return m_err; }
    // The answer every question gets without a person choosing, if any.
    std::optional<bool> standing() const;
    // A given answer stands; otherwise the question is put to the terminal ([y/N]).
    bool answer(const QString& question) const;

private:
    Given m_given;
    QTextStream& m_err;
    std::function<bool(QString&)> m_readLine;
};

// The command line's answers to the edit workflows: the destination and the deletion come
// from the arguments; only replacing a pairing may be asked at the terminal.
class CommandAnswers : public EditQuestions {
public:
    CommandAnswers(platform::FileSystem& fs, AnswerPolicy policy)
        : m_fs(fs), m_policy(std::move(policy)) {}

    void setDestination(QString dest) { m_dest = std::move(dest); }
    void setDeleteCopy(bool deleteCopy) { m_deleteCopy = deleteCopy; }

    std::optional<QString> fileToAdd() override { return std::nullopt; }
    QString folderToAdd() override { return QString(); }
    QString folderForFile(const QString& /*path*/, const QString& driveRoot) override {
        return madeDestination(driveRoot);
    }
    QString folderForFolder(const QString& /*folder*/, const QString& driveRoot) override {
        return madeDestination(driveRoot);
    }
    bool replacePairing(int storedItems) override;
    std::optional<bool> deleteCopyBeforehand() override { return m_deleteCopy; }
    bool deleteCopy(const SyncItem& /*removed*/) override { return m_deleteCopy; }

    // Why the destination could not be made; empty when it could.
    const QString& error() const { return m_error; }
    // The innermost folder made for the destination; empty when none was.
    QString madeFolder() const { return m_made.isEmpty() ? QString() : m_made.constLast(); }
    // The add was refused: the folders made for it go again, innermost first; a folder that
    // holds something by now is left alone.
    void unmake();

    static QString forgetsText(int count);

private:
    // The folders of the destination that are missing, made on the drive and nowhere else,
    // so that an add may name a destination that does not exist yet (as the window's picker
    // can make one). Empty when one could not be made.
    QString madeDestination(const QString& root);

    platform::FileSystem& m_fs;
    AnswerPolicy m_policy;
    QString m_dest;
    bool m_deleteCopy = false;
    QStringList m_made;
    QString m_error;
};

} // namespace quillet
