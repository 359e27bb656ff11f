#include "SyncEngine.h"

#include "base/Path.h"
#include "base/Translate.h"

#include <QHash>
#include <QLocale>

#include <tuple>

namespace quillet {

namespace {

const QString NoChanges = QStringLiteral(" - Not Synchronized (No changes)");
const QString LocalToRemovable = QStringLiteral(" - Synchronized Local Drive to Removable Drive");
const QString RemovableToLocal = QStringLiteral(" - Synchronized Removable Drive to Local Drive");
// Two blanks after "Synchronized": the text readers of the log have always seen.
const QString LocalToRemovable2 = QStringLiteral(" - Synchronized  Local Drive to Removable Drive");
const QString NotSynchronized = QStringLiteral(" - ERROR ! (Not Synchronized)");

} // namespace

SyncEngine::SyncEngine(SyncSession& session, SyncView& view, QString logPath, const Clock& clock)
    : m_session(session), m_view(view), m_clock(clock), m_log(std::move(logPath)),
      m_transfer(session.fileSystem()) {}

bool SyncEngine::twoSecondVolume(const QString& path) const {
    return platform::hasTwoSecondTimes(
        m_session.volumes().fileSystemType(Path::fromText(path).native()));
}

void SyncEngine::Syncronize() {
    if (m_running)
        return; // one pass at a time
    m_stopRequested = false;
    if (!m_session.driveFound())
        return;

    m_running = true;
    m_summary = Summary{};
    m_view.setFileStatus(QString());
    m_log.open();
    m_log.writeLine(QStringLiteral("Last synchronization started at: ") + now());
    m_session.watch().setSearchTimer(false);
    m_view.passStarted();
    m_view.yield();

    m_session.RefreshFiles();
    m_view.rowsRebuilt();

    const qsizetype count = m_session.list().rows().size();
    bool stopped = false;
    for (int i = 0; i < count && i < m_session.list().rows().size(); ++i) {
        m_view.setRowBold(i, true);
        m_view.yield();
        const SyncItem item = m_session.list().rows().at(i);
        if (!m_session.probe().IsFolder(item.localPath)) {
            syncFileRow(i);
        } else {
            setRowStatus(i, Translate(QStringLiteral("Synchronizing...")));
            m_view.yield();
            const QString a = withSeparator(item.localPath);
            const QString b = withSeparator(item.remotePath);
            m_twoSecondSteps = twoSecondVolume(a) || twoSecondVolume(b);
            m_rowFailed = false;
            m_walked.clear();
            SyncFolder(a, a, b);
            commitCreated();
            setRowStatus(i, Translate(m_rowFailed ? QStringLiteral("Error")
                                                  : QStringLiteral("Synchronized")));
        }
        m_view.setRowBold(i, false);
        if (StopRequested()) {
            stopped = true;
            break;
        }
    }
    if (!stopped)
        m_log.writeLine(QStringLiteral("Last synchronization ended at: ") + now());
    m_log.close();
    m_summary.stopped = stopped;

    m_view.passEnded();
    m_view.setFileStatus(QString());
    m_session.watch().passEnded();
    m_running = false;
}

void SyncEngine::setRowStatus(int row, const QString& status) {
    m_session.list().rows()[row].status = status;
    m_view.setRowStatus(row, status);
}

void SyncEngine::syncFileRow(int row) {
    const SyncItem& item = m_session.list().rows().at(row);
    const QString local = item.localPath;
    const QString remote = item.remotePath;
    platform::FileSystem& fs = m_session.fileSystem();
    m_twoSecondSteps = twoSecondVolume(local) || twoSecondVolume(remote);
    const StampOrder order =
        compareStamps(fs.stat(Path::fromText(local).native()),
                      fs.stat(Path::fromText(remote).native()), m_twoSecondSteps);
    act(order, local, local, remote, true, row);
}

// The choice of log text and copy direction, shared by file rows and folder walks. "this"
// is the local file of a row, or the side a folder walk is listing.
void SyncEngine::act(StampOrder order, const QString& logSubject, const QString& thisSide,
                     const QString& otherSide, bool fileRow, int row) {
    if (order == StampOrder::Equal) {
        m_log.writeLine(logSubject + NoChanges);
        if (fileRow)
            setRowStatus(row, Translate(QStringLiteral("Synchronized")));
        return;
    }
    if (order == StampOrder::Indistinct) {
        m_log.writeLine(logSubject + NotSynchronized);
        if (fileRow)
            setRowStatus(row, Translate(QStringLiteral("Error")));
        return;
    }
    const bool thisNewer = order == StampOrder::FirstNewer;
    QString text;
    bool thisToOther = true;
    switch (m_session.conflictMode.direction()) {
    case ConflictMode::Direction::Newer:
        text = thisNewer ? LocalToRemovable : RemovableToLocal;
        thisToOther = thisNewer;
        break;
    case ConflictMode::Direction::ToDrive:
        text = thisNewer ? RemovableToLocal : LocalToRemovable2;
        thisToOther = true;
        break;
    case ConflictMode::Direction::ToLocal:
        text = thisNewer ? LocalToRemovable : RemovableToLocal;
        thisToOther = false;
        break;
    case ConflictMode::Direction::None:
        return; // no such mode: nothing is logged or copied
    }
    m_log.writeLine(logSubject + text);
    const QString& from = thisToOther ? thisSide : otherSide;
    const QString& to = thisToOther ? otherSide : thisSide;
    if (fileRow)
        CopyFilewStatus(from, to, row + 1, thisToOther);
    else {
        m_walkSubject = logSubject;
        SmoothCopy(from, to, true);
        m_walkSubject.clear();
    }
}

void SyncEngine::SyncFolder(const QString& Folder, const QString& Original,
                            const QString& Destination) {
    const QString T = withSeparator(Folder);
    QString other = Folder;
    const qsizetype at = other.indexOf(Original);
    if (at >= 0)
        other.replace(at, Original.size(), Destination);
    const QString O = withSeparator(other);

    // Each pair of folders is walked once; walking it again from the other side only
    // repeats the same work, and does so at every level of the tree.
    const QString pair = T < O ? T + QChar(0) + O : O + QChar(0) + T;
    if (m_walked.contains(pair))
        return;
    m_walked.insert(pair);

    platform::FileSystem& fs = m_session.fileSystem();
    fs.makeDirectory(Path::fromText(O).native());
    fs.makeDirectory(Path::fromText(T).native());

    QStringList names;
    // What each listing saw, by entry name: most files need no other look at the disk.
    QHash<QString, platform::FileStat> seenHere;
    QHash<QString, platform::FileStat> seenThere;
    auto listSide = [&](const QString& dir, const QString& root, const QString& otherRoot,
                        QHash<QString, platform::FileStat>& seen) {
        auto entries = fs.listDirectory(Path::fromText(dir).native());
        if (!entries)
            return true;
        for (const platform::DirEntry& e : entries.value()) {
            if (StopRequested())
                return false;
            const QString raw = QString::fromStdString(e.name);
            seen.insert(raw, e.stat);
            const QString name = QString(raw).remove(QChar(0)).trimmed();
            if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
                continue;
            if (e.attributes == platform::Attr::Directory) {
                // A drive mounted inside the synced folder (or the folder inside the drive's
                // copy) would otherwise be copied into itself, deeper at every pass.
                const QString sub = dir + name + QLatin1Char('/');
                if (otherRoot.startsWith(sub) || sub.startsWith(otherRoot))
                    continue;
                SyncFolder(dir + name, root, otherRoot);
            } else if (!platform::isTransferTempName(e.name))
                names.append(name);
        }
        return true;
    };
    if (!listSide(T, Original, Destination, seenHere))
        return;
    if (!listSide(O, Destination, Original, seenThere))
        return;
    if (names.isEmpty())
        return;

    for (const QString& n : std::as_const(names)) {
        if (StopRequested())
            continue;
        const QString thisPath = T + n;
        const QString otherPath = O + n;
        // Decide from what the listings saw; anything but "no changes" is decided again from a
        // fresh look, so that no copy rests on what the disk said a while ago (and the second
        // look at a name sees what the first one copied).
        platform::FileStat here = seenHere.value(n);
        platform::FileStat there = seenThere.value(n);
        const bool unchanged = here.isRegular && there.isRegular &&
                               compareStamps(here, there, m_twoSecondSteps) == StampOrder::Equal;
        m_view.setFileStatus(thisPath);
        m_view.yield();
        if (!unchanged && (here.isRegular || there.isRegular)) {
            there = fs.stat(Path::fromText(otherPath).native());
            here = fs.stat(Path::fromText(thisPath).native());
        }
        const bool eO = there.isRegular;
        const bool eT = here.isRegular;
        if (eO && eT) {
            act(compareStamps(here, there, m_twoSecondSteps), thisPath, thisPath, otherPath, false,
                -1);
        } else if (eT && !eO) {
            createFile(thisPath, otherPath, thisPath);
        } else if (eO && !eT) {
            createFile(otherPath, thisPath, thisPath);
        }
    }
    m_view.setFileStatus(QString());
}

void SyncEngine::createFile(const QString& xfrom, const QString& xto, const QString& logPath) {
    // A new file is not looked at again in this walk, so it can wait for the batch's flush.
    if (!m_transfer.StageFile(xfrom, xto, logPath)) {
        reportFailure(logPath);
        return;
    }
    if (m_transfer.stagedCount() >= StagedBatch)
        commitCreated();
}

void SyncEngine::commitCreated() {
    const int staged = static_cast<int>(m_transfer.stagedCount());
    const QStringList failed = m_transfer.CommitStaged();
    m_summary.copies += staged - static_cast<int>(failed.size());
    for (const QString& subject : failed)
        reportFailure(subject);
}

void SyncEngine::reportFailure(const QString& logPath) {
    m_log.writeLine(logPath + NotSynchronized);
    m_rowFailed = true;
    ++m_summary.failures;
}

bool SyncEngine::copyAndReport(const QString& xfrom, const QString& xto, const QString& logPath) {
    if (m_transfer.CloneFile(xfrom, xto)) {
        ++m_summary.copies;
        return true;
    }
    reportFailure(logPath);
    return false;
}

QString SyncEngine::confirmationText(const QString& xfrom, const QString& xto) const {
    const QString crlf = QStringLiteral("\r\n");
    const platform::FileStat from = m_session.fileSystem().stat(Path::fromText(xfrom).native());
    const platform::FileStat to = m_session.fileSystem().stat(Path::fromText(xto).native());
    auto dateOf = [](const platform::FileStat& st) {
        const QDateTime t = QDateTime::fromSecsSinceEpoch(st.times.write.seconds, Qt::LocalTime);
        return Translate(QStringLiteral("File date:")) + QLatin1Char(' ') +
               QLocale().toString(t, QLocale::ShortFormat);
    };
    QStringList lines;
    lines << title() + QLatin1Char(' ') + Translate(QStringLiteral("is about to copy:"))
          << QString() << xfrom;
    if (from.isRegular)
        lines << dateOf(from);
    lines << QString() << Translate(QStringLiteral("will replace:")) << QString() << xto;
    if (to.isRegular)
        lines << dateOf(to) << QString();
    lines << QString() << Translate(QStringLiteral("Do you accept this replacement ?"));
    return lines.join(crlf);
}

bool SyncEngine::confirmed(const QString& xfrom, const QString& xto) {
    if (!m_session.conflictMode.asksFirst())
        return true;
    return m_view.confirmReplacement(title(), confirmationText(xfrom, xto));
}

void SyncEngine::CopyFilewStatus(const QString& xfrom, const QString& xto, int xSubItems,
                                 bool Way) {
    if (!confirmed(xfrom, xto))
        return;
    const int row = xSubItems - 1;
    setRowStatus(row, (Way ? QStringLiteral(">> ") : QStringLiteral("<< ")) +
                          Translate(QStringLiteral("Copying...")));
    m_view.yield();
    if (CloneFile(xfrom, xto)) {
        setRowStatus(row, Translate(QStringLiteral("Synchronized at ")) + now());
    } else {
        // A copy that did not happen is never shown as done.
        m_log.writeLine(m_session.list().rows().at(row).localPath + NotSynchronized);
        setRowStatus(row, Translate(QStringLiteral("Error")));
    }
}

void SyncEngine::SmoothCopy(const QString& xfrom, const QString& xto, bool dummy) {
    (void)dummy;
    if (!confirmed(xfrom, xto))
        return;
    // The log names the walked file: the one on the side being listed.
    copyAndReport(xfrom, xto, m_walkSubject.isEmpty() ? xfrom : m_walkSubject);
}

bool SyncEngine::CloneFile(const QString& source, const QString& destination) {
    const bool ok = m_transfer.CloneFile(source, destination);
    if (ok)
        ++m_summary.copies;
    else
        ++m_summary.failures;
    return ok;
}

} // namespace quillet
