#pragma once

#include "SyncSession.h"

#include <QString>
#include <functional>
#include <optional>

namespace quillet {

// What a person is asked while the list or the pairing changes. The window answers with its
// dialogs; the command line tool from its arguments and, where it may, the terminal.
class EditQuestions {
public:
    virtual ~EditQuestions() = default;

    // The file to add; none when nothing was chosen.
    virtual std::optional<QString> fileToAdd() = 0;
    // The folder to add; empty when none was chosen.
    virtual QString folderToAdd() = 0;
    // The folder on the drive (mounted at driveRoot) that is to hold the copy of path, or to
    // be kept in step with the folder at path; empty when none was chosen.
    virtual QString folderForFile(const QString& path, const QString& driveRoot) = 0;
    virtual QString folderForFolder(const QString& folder, const QString& driveRoot) = 0;
    // A drive is paired already, with storedItems items in its list: replace it?
    virtual bool replacePairing(int storedItems) = 0;
    // Whether the copy on the drive goes with a file item. Known before the removal (a
    // command's option), or else asked once the item has left the list.
    virtual std::optional<bool> deleteCopyBeforehand() { return std::nullopt; }
    virtual bool deleteCopy(const SyncItem& removed) = 0;
};

// The add, remove and pair workflows over the session, shared by the window and the command
// line tool. The drive watch rests while an edit is under way: a pass must not change the
// list under a question.
class SyncController {
public:
    SyncController(SyncSession& session, EditQuestions& questions);

    // Adds the file at path, or the one fileToAdd() names when path is empty; then asks
    // where its copy goes. With the drive away nothing is asked.
    EditOutcome addFile(const QString& path);
    // Adds the folder, or the one folderToAdd() names when folder is empty; then asks where
    // it goes on the drive.
    EditOutcome addFolder(const QString& folder);
    // Adds the item a command line names: a folder, a file (also after "/f "), or says why
    // neither can be added.
    EditOutcome addNamed(const CommandLineAdd& add);
    // Removes row index (from 0); a file item's copy on the drive goes too if so answered.
    EditOutcome removeRow(int index);
    // Pairs the drive mounted at root; replacing a pairing is asked first.
    SyncSession::PairOutcome pair(const QString& root, bool sameRootOnly);

    // Called whenever an edit may have changed the rows, before any later question.
    std::function<void()> onListEdited;

    // Adds and removals under way.
    bool editing() const { return m_edits > 0; }
    // Keeps the watch at rest while it lives, as each edit does: a window that tells the
    // outcome of an edit holds one around the edit and its telling.
    class WatchRest;
    // The watch stays at rest after the edits under way: the program is ending.
    void keepWatchStopped() { m_watchKeptStopped = true; }

    SyncSession& session() { return m_session; }

private:
    void listEdited();
    // Deletes the copy on the drive of an item removed from the list.
    EditOutcome deleteCopy(const SyncItem& item);

    SyncSession& m_session;
    EditQuestions& m_questions;
    int m_edits = 0;
    bool m_watchKeptStopped = false;
};

class SyncController::WatchRest {
public:
    explicit WatchRest(SyncController& controller);
    ~WatchRest();
    WatchRest(const WatchRest&) = delete;
    WatchRest& operator=(const WatchRest&) = delete;

private:
    SyncController& m_controller;
};

} // namespace quillet
