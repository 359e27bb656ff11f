#pragma once

#include "FailureText.h"
#include "SyncFailure.h"

#include <QString>

#include <optional>

namespace quillet {

// A copy a preview found to do. from and to are as shown.
struct PlannedCopy {
    QString from;
    QString to;
    bool towardDrive = true;
    bool replaces = false;  // a file of that name is there and would be replaced
    bool keepsBoth = false; // both changed: the replaced version would be kept beside it
    bool asksFirst = false; // the mode asks before a replacement
};

// How a pass shows itself. The window implements it over its list, the command line tool
// over the terminal, the tests with a recorder. Rows are counted from 0.
class SyncView {
public:
    virtual ~SyncView() = default;

    // The pass has begun (commands off) and has ended (commands back on).
    virtual void passStarted() {}
    virtual void passEnded() {}
    // The rows were rebuilt from the store at the start of the pass.
    virtual void rowsRebuilt() {}
    virtual void setRowBold(int /*row*/, bool /*bold*/) {}
    virtual void setRowStatus(int /*row*/, const QString& /*status*/) {}
    // Why a row failed, or the versions it kept (the window shows it as the row's tooltip).
    // Set after the row's "Error" status. Put into words for setRowReason unless a view
    // words it itself.
    virtual void showRowReason(int row, const RowReason& reason) {
        setRowReason(row, describe(reason));
    }
    // The same in the user's language.
    virtual void setRowReason(int /*row*/, const QString& /*reason*/) {}
    // The file being examined inside a folder row; empty when none.
    virtual void setFileStatus(const QString& /*text*/) {}
    // The replacement question about these two files; false only for an explicit No. Put
    // into words for confirmReplacement unless a view words it itself.
    virtual bool askReplacement(const Replacement& facts) {
        return confirmReplacement(QStringLiteral("Quillet"), replacementQuestion(facts));
    }
    virtual bool confirmReplacement(const QString& /*title*/, const QString& /*question*/) {
        return true;
    }
    // Set when every question of this pass gets one answer without a person choosing (a
    // --yes or --no flag, or nobody there to ask). Such a No is not remembered, and a
    // replacement a person declined before is put to it again.
    virtual std::optional<bool> standingAnswer() const { return std::nullopt; }
    // How far the copy of a file large enough to take a while has come: once with done 0
    // when it starts, then at least every 50 ms while it runs (each time followed by a
    // yield), and once with done equal to total when it ends, whether it succeeded or not.
    // file is the destination as it is shown. Small files copy without these calls.
    virtual void copyProgress(const QString& /*file*/, qint64 /*done*/, qint64 /*total*/) {}
    // A preview (a pass that changes nothing) tells what it would copy, one call a file.
    virtual void planned(const PlannedCopy& /*copy*/) {}
    // A file that failed, or in a preview would fail.
    virtual void fileFailed(const SyncFailure& /*failure*/) {}
    // A chance for the window to repaint and for Stop to be pressed.
    virtual void yield() {}
    // Asked at the points where a pass may stop: between rows and between files.
    virtual bool stopRequested() { return false; }
};

} // namespace quillet
