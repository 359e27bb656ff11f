#pragma once

#include "FileTransfer.h"
#include "SyncLog.h"
#include "SyncSession.h"
#include "SyncView.h"
#include "base/Clock.h"
#include "base/Format.h"

#include <QSet>
#include <QString>

namespace quillet {

// One synchronisation pass over the sync list, and the folder merge and transfers it uses.
class SyncEngine {
public:
    SyncEngine(SyncSession& session, SyncView& view, QString logPath,
               const Clock& clock = Clock::system());

    // One pass. A pass asked for while one runs is ignored.
    void Syncronize();
    // Walk Folder (on the side rooted at Original) against the other side (Destination).
    void SyncFolder(const QString& Folder, const QString& Original, const QString& Destination);
    // Copy for a file row (xSubItems counts rows from 1); Way is true from local to drive.
    void CopyFilewStatus(const QString& xfrom, const QString& xto, int xSubItems, bool Way);
    // Copy inside a folder row, without touching the list.
    void SmoothCopy(const QString& xfrom, const QString& xto, bool dummy);
    bool CloneFile(const QString& source, const QString& destination);

    // The Stop command.
    void requestStop() { m_stopRequested = true; }
    bool StopRequested() { return m_stopRequested || m_view.stopRequested(); }
    bool isRunning() const { return m_running; }

    // The replacement question, line by line, joined with CR LF.
    QString confirmationText(const QString& xfrom, const QString& xto) const;

    struct Summary {
        bool stopped = false;
        int copies = 0;
        int failures = 0;
    };
    const Summary& lastPass() const { return m_summary; }
    SyncLog& log() { return m_log; }

    static QString title() { return QStringLiteral("Quillet"); }

private:
    void syncFileRow(int row);
    void setRowStatus(int row, const QString& status);
    bool confirmed(const QString& xfrom, const QString& xto);
    // Logs the copy's failure as the pass reports it; returns whether the copy succeeded.
    bool copyAndReport(const QString& xfrom, const QString& xto, const QString& logPath);
    void createFile(const QString& xfrom, const QString& xto, const QString& logPath);
    void commitCreated();
    void reportFailure(const QString& logPath);
    // New files flushed together; bounded so that a stopped or failing pass loses little.
    static constexpr std::size_t StagedBatch = 512;
    void act(StampOrder order, const QString& logSubject, const QString& thisSide,
             const QString& otherSide, bool fileRow, int row);
    QString now() const { return formatDateTime(m_clock.now()); }
    bool twoSecondVolume(const QString& path) const;

    SyncSession& m_session;
    SyncView& m_view;
    const Clock& m_clock;
    SyncLog m_log;
    FileTransfer m_transfer;
    bool m_stopRequested = false;
    bool m_running = false;
    bool m_twoSecondSteps = false;
    bool m_rowFailed = false;
    QSet<QString> m_walked;
    QString m_walkSubject;
    Summary m_summary;
};

} // namespace quillet
