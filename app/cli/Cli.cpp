#include "Cli.h"

#include "base/Format.h"
#include "base/Path.h"
#include "base/Translate.h"
#include "platform/AppPaths.h"
#include "platform/AutostartEntry.h"
#include "sync/SyncEngine.h"
#include "sync/SyncSession.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <atomic>

namespace quillet {

namespace {

std::atomic<bool> g_interrupt{false};

const char* const Usage = R"(Commands:
  drives [--all]                    list the drives that can be paired
  pair ROOT [--same-root] [--yes]   pair the drive mounted at ROOT (a new pairing
                                    forgets the list of the drive paired before)
  same-root on|off                  find the paired drive only under the root it was
                                    paired at, or under any; the list stays
  status                            show the pairing, the drive and the options
  mode [N]                          show or set the conflict mode (0 to 5)
  refresh [N]                       show or set the refresh-time choice (0 to 8)
  add FILE DEST_FOLDER              keep FILE in step with a copy in DEST_FOLDER on the drive
  add-folder FOLDER DEST_FOLDER     keep FOLDER in step with DEST_FOLDER on the drive
                                    (a DEST_FOLDER missing on the drive is made)
  list                              list the sync items
  remove N [--delete-remote]        remove item N (from 1)
  sync [--yes | --no]               find the drive and run one pass now
  log                               print the log of the last pass
  watch [--yes | --no]              watch for the drive and pass whenever it is found
  autostart on|off|status           start Quillet in the notification area at login, or not

Exit status:
  0  done
  1  bad usage or input, or the settings could not be saved
  2  no drive is paired, or the paired drive is not present
  3  a copy failed (the log and the row say which)
  4  another pass of this user is running: nothing was done
  5  the pass was stopped (Ctrl+C, or a terminate signal) before its end)";

QString conflictCaption(std::optional<int> selected) {
    static const char* const captions[] = {
        "Keep the latest file on both.",
        "Copy from Local PC to Removable Drive",
        "Copy from Removable Drive to Local PC",
        "Keep the latest file on both. (Prompt before any change)",
        "Copy from Local PC to Removable Drive. (Prompt before any change)",
        "Copy from Removable Drive to Local PC. (Prompt before any change)"};
    if (!selected || *selected < 0 || *selected > 5)
        return QStringLiteral("(none selected)");
    return Translate(QString::fromLatin1(captions[*selected]));
}

QString refreshCaption(std::optional<int> index) {
    const int seconds = SyncSession::refreshSecondsFor(index);
    if (!index || *index < 0 || *index > 8)
        return QStringLiteral("(none selected, every 5 seconds)");
    if (seconds < 60)
        return Translate(QStringLiteral("Every")) + QStringLiteral(" %1 ").arg(seconds) +
               Translate(QStringLiteral("seconds"));
    if (seconds == 60)
        return Translate(QStringLiteral("Every")) + QLatin1Char(' ') +
               Translate(QStringLiteral("minute"));
    if (seconds == 3600)
        return Translate(QStringLiteral("Every")) + QLatin1Char(' ') +
               Translate(QStringLiteral("hour"));
    return Translate(QStringLiteral("Every")) + QStringLiteral(" %1 ").arg(seconds / 60) +
           Translate(QStringLiteral("minutes"));
}

bool parseIndex(const QString& text, int low, int high, int& value) {
    bool ok = false;
    value = text.toInt(&ok);
    return ok && value >= low && value <= high;
}

// The list keeps full paths: a pass may run from any working folder.
QString absolute(const QString& path) {
    if (path.isEmpty())
        return path;
    QString full = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    if (path.endsWith(QLatin1Char('/')) && !full.endsWith(QLatin1Char('/')))
        full += QLatin1Char('/');
    return full;
}

// The terminal's view of a pass: log lines as they are written, rows at the end.
class TerminalView : public SyncView {
public:
    TerminalView(QTextStream& out, QTextStream& err, std::function<bool(const QString&)> asker,
                 std::optional<bool> standing, bool progressLine)
        : m_out(out), m_err(err), m_ask(std::move(asker)), m_standing(standing),
          m_progressLine(progressLine) {}

    std::optional<bool> standingAnswer() const override { return m_standing; }

    bool confirmReplacement(const QString& /*title*/, const QString& question) override {
        QString text = question;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        m_err << text << Qt::endl;
        return m_ask(text);
    }
    // The terminal has little to repaint: let events through a few times a second, not per file.
    void yield() override {
        if (!m_sinceYield.isValid() || m_sinceYield.elapsed() >= 50) {
            QCoreApplication::processEvents();
            m_sinceYield.start();
        }
    }
    bool stopRequested() override { return Cli::interruptRequested(); }

    // One line, rewritten in place, and wiped when the copy ends so that the log goes on
    // where it was.
    void copyProgress(const QString& file, qint64 done, qint64 total) override {
        if (!m_progressLine)
            return;
        if (done >= total) {
            if (m_shownWidth > 0)
                m_out << '\r' << QString(m_shownWidth, QLatin1Char(' ')) << '\r' << Qt::flush;
            m_shownWidth = 0;
            m_shownPercent = -1;
            return;
        }
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 0;
        if (percent == m_shownPercent)
            return;
        m_shownPercent = percent;
        QString name = file.mid(file.lastIndexOf(QLatin1Char('/')) + 1);
        if (name.size() > 40)
            name = QStringLiteral("...") + name.right(37);
        const QString line = QStringLiteral("%1  %2%  (%3 of %4 MB)")
                                 .arg(name)
                                 .arg(percent)
                                 .arg(formatMegabytes(static_cast<quint64>(done)),
                                      formatMegabytes(static_cast<quint64>(total)));
        m_shownWidth = std::max(m_shownWidth, line.size());
        m_out << '\r' << line.leftJustified(m_shownWidth) << Qt::flush;
    }

private:
    QTextStream& m_out;
    QTextStream& m_err;
    std::function<bool(const QString&)> m_ask;
    std::optional<bool> m_standing;
    QElapsedTimer m_sinceYield;
    bool m_progressLine = false;
    qsizetype m_shownWidth = 0;
    int m_shownPercent = -1;
};

} // namespace

void Cli::requestInterrupt() {
    g_interrupt = true;
}
bool Cli::interruptRequested() {
    return g_interrupt;
}
void Cli::clearInterrupt() {
    g_interrupt = false;
}

Cli::Cli(platform::SettingsStore& store, platform::FileSystem& fs, platform::VolumeService& volumes,
         Io io, QString logPath)
    : m_store(store), m_fs(fs), m_volumes(volumes), m_io(std::move(io)),
      m_logPath(std::move(logPath)), m_windowProgram(AppPath() + QStringLiteral("quillet")) {}

bool Cli::ask(const QString& question) {
    if (!m_io.readLine)
        return false; // nobody to ask: the safe answer
    m_io.err << question << QStringLiteral(" [y/N] ") << Qt::flush;
    QString answer;
    if (!m_io.readLine(answer))
        return false;
    answer = answer.trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

bool Cli::settingsUsable() {
    switch (m_store.health()) {
    case platform::SettingsStore::Health::Ok:
        return true;
    case platform::SettingsStore::Health::Unreadable:
        m_io.err << "quillet-cli: the settings file " << m_store.location()
                 << " cannot be read; nothing was changed." << Qt::endl;
        return false;
    case platform::SettingsStore::Health::Malformed:
        m_io.err << "quillet-cli: the settings file " << m_store.location()
                 << " is damaged; nothing was changed. Repair or remove it." << Qt::endl;
        return false;
    }
    return false;
}

int Cli::run(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Keeps files and folders in step with a paired removable drive.\n\n") +
        QString::fromLatin1(Usage));
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version."));
    const QCommandLineOption all(QStringLiteral("all"),
                                 QStringLiteral("drives: every drive type."));
    const QCommandLineOption sameRoot(QStringLiteral("same-root"),
                                      QStringLiteral("pair: only under the same mount point."));
    const QCommandLineOption yes(QStringLiteral("yes"), QStringLiteral("Answer yes to questions."));
    const QCommandLineOption no(QStringLiteral("no"), QStringLiteral("Answer no to questions."));
    const QCommandLineOption deleteRemote(QStringLiteral("delete-remote"),
                                          QStringLiteral("remove: delete the copy on the drive."));
    parser.addOptions({help, version, all, sameRoot, yes, no, deleteRemote});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do."));

    if (!parser.parse(arguments)) {
        m_io.err << "quillet-cli: " << parser.errorText() << Qt::endl
                 << "Try 'quillet-cli --help'." << Qt::endl;
        return BadInput;
    }
    if (parser.isSet(help)) {
        m_io.out << parser.helpText() << Qt::flush;
        return Ok;
    }
    if (parser.isSet(version)) {
        m_io.out << "quillet-cli " << QStringLiteral(QUILLET_VERSION) << Qt::endl;
        return Ok;
    }
    const QStringList args = parser.positionalArguments();
    if (args.isEmpty()) {
        m_io.err << "quillet-cli: no command given. Try 'quillet-cli --help'." << Qt::endl;
        return BadInput;
    }
    const QString command = args.first();
    const QStringList rest = args.mid(1);

    // Which options and how many arguments each command takes.
    struct Shape {
        const char* name;
        int minArgs;
        int maxArgs;
        QList<const QCommandLineOption*> options;
    };
    const QList<Shape> shapes = {
        {"drives", 0, 0, {&all}},
        {"pair", 1, 1, {&sameRoot, &yes}},
        {"same-root", 1, 1, {}},
        {"status", 0, 0, {}},
        {"mode", 0, 1, {}},
        {"refresh", 0, 1, {}},
        {"add", 2, 2, {}},
        {"add-folder", 2, 2, {}},
        {"list", 0, 0, {}},
        {"remove", 1, 1, {&deleteRemote}},
        {"sync", 0, 0, {&yes, &no}},
        {"log", 0, 0, {}},
        {"watch", 0, 0, {&yes, &no}},
        {"autostart", 1, 1, {}},
    };
    const Shape* shape = nullptr;
    for (const Shape& s : shapes) {
        if (command == QLatin1String(s.name))
            shape = &s;
    }
    if (!shape) {
        m_io.err << "quillet-cli: unknown command '" << command << "'. Try 'quillet-cli --help'."
                 << Qt::endl;
        return BadInput;
    }
    if (rest.size() < shape->minArgs || rest.size() > shape->maxArgs) {
        m_io.err << "quillet-cli: wrong number of arguments for '" << command
                 << "'. Try 'quillet-cli --help'." << Qt::endl;
        return BadInput;
    }
    for (const QCommandLineOption* option : {&all, &sameRoot, &yes, &no, &deleteRemote}) {
        if (parser.isSet(*option) && !shape->options.contains(option)) {
            m_io.err << "quillet-cli: '" << command << "' does not take --"
                     << option->names().constLast() << "." << Qt::endl;
            return BadInput;
        }
    }
    if (parser.isSet(yes) && parser.isSet(no)) {
        m_io.err << "quillet-cli: --yes and --no cannot be given together." << Qt::endl;
        return BadInput;
    }

    if (command == QLatin1String("drives"))
        return drives(parser.isSet(all));
    if (command == QLatin1String("log"))
        return log();
    if (command == QLatin1String("autostart"))
        return autostart(rest.at(0));
    if (!settingsUsable())
        return BadInput;
    if (command == QLatin1String("pair"))
        return pair(absolute(rest.at(0)), parser.isSet(sameRoot), parser.isSet(yes));
    if (command == QLatin1String("same-root"))
        return sameRootOnly(rest.at(0));
    if (command == QLatin1String("status"))
        return status();
    if (command == QLatin1String("mode"))
        return mode(rest);
    if (command == QLatin1String("refresh"))
        return refresh(rest);
    if (command == QLatin1String("add"))
        return add(absolute(rest.at(0)), absolute(rest.at(1)));
    if (command == QLatin1String("add-folder"))
        return addFolder(absolute(rest.at(0)), absolute(rest.at(1)));
    if (command == QLatin1String("list"))
        return list();
    if (command == QLatin1String("remove"))
        return remove(rest.at(0), parser.isSet(deleteRemote));
    if (command == QLatin1String("sync"))
        return sync(parser.isSet(yes), parser.isSet(no));
    return watch(parser.isSet(yes), parser.isSet(no));
}

int Cli::drives(bool all) {
    DriveIdentity identity(m_volumes);
    const auto candidates = identity.RefreshDrives(all);
    if (!candidates.enabled) {
        m_io.out << candidates.emptyText << Qt::endl;
        return Ok;
    }
    for (const QString& entry : candidates.entries)
        m_io.out << entry << Qt::endl;
    return Ok;
}

int Cli::pair(const QString& rootArgument, bool sameRoot, bool yes) {
    SyncSession session(m_store, m_fs, m_volumes);
    // An empty argument is no root: it must never become "/", the system's own disk.
    const QString root = rootArgument.isEmpty() ? QString() : withSeparator(rootArgument);
    const auto outcome = session.StartNewSync(root, sameRoot, [&] {
        if (yes)
            return true;
        // Asked on the list as stored now, under the settings lock.
        if (const int count = session.storedItemCount(); count > 0)
            m_io.err << forgetsText(count) << Qt::endl
                     << Translate(QStringLiteral("To change only the same-root option, use "
                                                 "'quillet-cli same-root on|off'."))
                     << Qt::endl;
        return ask(Translate(QStringLiteral(
            "You have already set a drive, do you wish to substitute this drive ?")));
    });
    if (outcome.code == SyncSession::PairOutcome::Code::Declined) {
        m_io.err << "quillet-cli: a drive is already paired; nothing was changed "
                    "(use --yes to replace it)."
                 << Qt::endl;
        return BadInput;
    }
    if (!outcome.ok()) {
        m_io.err << "quillet-cli: " << outcome.message;
        if (outcome.code == SyncSession::PairOutcome::Code::NotADrive)
            m_io.err << " See 'quillet-cli drives --all'.";
        m_io.err << Qt::endl;
        return BadInput;
    }
    session.loadReadOnly();
    m_io.out << "Paired " << root << " (serial " << session.drive.serialText << ", "
             << session.drive.DriveSize << " bytes)." << Qt::endl;
    if (outcome.forgotten > 0)
        m_io.out << forgotText(outcome.forgotten) << Qt::endl;
    return Ok;
}

QString Cli::forgetsText(int count) {
    return count == 1 ? Translate(QStringLiteral("A new pairing forgets the list of the drive "
                                                 "paired now: 1 item."))
                      : Translate(QStringLiteral("A new pairing forgets the list of the drive "
                                                 "paired now: %1 items."))
                            .arg(count);
}

QString Cli::forgotText(int count) {
    return count == 1 ? Translate(QStringLiteral("The list of the drive paired before was "
                                                 "forgotten: 1 item."))
                      : Translate(QStringLiteral("The list of the drive paired before was "
                                                 "forgotten: %1 items."))
                            .arg(count);
}

int Cli::sameRootOnly(const QString& what) {
    if (what != QLatin1String("on") && what != QLatin1String("off")) {
        m_io.err << Translate(QStringLiteral("quillet-cli: same-root takes on or off, not '%1'."))
                        .arg(what)
                 << Qt::endl;
        return BadInput;
    }
    SyncSession session(m_store, m_fs, m_volumes);
    session.loadReadOnly();
    if (!paired(session))
        return NoDrive;
    const bool on = what == QLatin1String("on");
    if (const EditOutcome outcome = session.setSameRootOnly(on); !outcome.ok()) {
        m_io.err << "quillet-cli: " << outcome.message << Qt::endl;
        return outcome.code == EditOutcome::Code::BadInput ? NoDrive : BadInput;
    }
    if (on)
        m_io.out << Translate(QStringLiteral("Same root only: yes. The drive is found only at "
                                             "%1."))
                        .arg(session.drive.DriveRoot)
                 << Qt::endl;
    else
        m_io.out << Translate(QStringLiteral("Same root only: no. The drive is found wherever "
                                             "it is mounted."))
                 << Qt::endl;
    return Ok;
}

int Cli::status() {
    SyncSession session(m_store, m_fs, m_volumes);
    session.loadReadOnly();
    if (!session.hasPairedDrive()) {
        m_io.out << "No drive is paired." << Qt::endl;
    } else {
        session.SearchLetter();
        m_io.out << "Paired drive: " << session.drive.DriveRoot << Qt::endl
                 << "Serial: " << session.drive.serialText << Qt::endl
                 << "Size: " << formatBytes(static_cast<qint64>(session.drive.DriveSize))
                 << " bytes" << Qt::endl
                 << "Same root only: " << (session.drive.SameLetterOnly ? "yes" : "no") << Qt::endl
                 << "Present: "
                 << (session.driveFound() ? QStringLiteral("yes, at ") + session.FoundLetter()
                                          : QStringLiteral("no"))
                 << Qt::endl;
    }
    m_io.out << "Conflict mode: " << session.conflictMode.value() << " ("
             << conflictCaption(session.conflictSelection()) << ")" << Qt::endl
             << "Refresh: " << session.refreshSelection().value_or(-1) << " ("
             << refreshCaption(session.refreshSelection()) << ")" << Qt::endl
             << "Start at login: "
             << (platform::AutostartEntry(m_windowProgram).isOn() ? "yes" : "no") << Qt::endl;
    return session.hasPairedDrive() ? Ok : NoDrive;
}

int Cli::choose(const QStringList& args, const char* what, int high, int current,
                const std::function<QString(std::optional<int>)>& caption,
                const std::function<EditOutcome(int)>& select) {
    if (args.isEmpty()) {
        m_io.out << current << " " << caption(current) << Qt::endl;
        return Ok;
    }
    int value = 0;
    if (!parseIndex(args.first(), 0, high, value)) {
        m_io.err << "quillet-cli: the " << what << " must be a number from 0 to " << high
                 << ", not '" << args.first() << "'." << Qt::endl;
        return BadInput;
    }
    if (const EditOutcome outcome = select(value); !outcome.ok()) {
        m_io.err << "quillet-cli: " << outcome.message << Qt::endl;
        return BadInput;
    }
    m_io.out << value << " " << caption(value) << Qt::endl;
    return Ok;
}

int Cli::mode(const QStringList& args) {
    SyncSession session(m_store, m_fs, m_volumes);
    session.loadReadOnly();
    // A stored mode outside the list is still shown as the number it is.
    if (args.isEmpty()) {
        m_io.out << session.conflictMode.value() << " "
                 << conflictCaption(session.conflictSelection()) << Qt::endl;
        return Ok;
    }
    return choose(args, "conflict mode", 5, session.conflictMode.value(), conflictCaption,
                  [&](int v) { return session.selectConflictMode(v); });
}

int Cli::refresh(const QStringList& args) {
    SyncSession session(m_store, m_fs, m_volumes);
    session.loadReadOnly();
    return choose(args, "refresh choice", 8, session.refreshSelection().value_or(-1),
                  refreshCaption, [&](int v) { return session.selectRefreshTime(v); });
}

bool Cli::paired(const SyncSession& session) {
    if (session.hasPairedDrive())
        return true;
    m_io.err << "quillet-cli: no drive is paired. Pair one with 'quillet-cli pair ROOT'."
             << Qt::endl;
    return false;
}

int Cli::added(SyncSession& session, const EditOutcome& outcome, const QString& unsaid) {
    if (!outcome.ok()) {
        m_io.err << (outcome.message.isEmpty() ? unsaid : outcome.message) << Qt::endl;
        return outcome.code == EditOutcome::Code::DriveAbsent ? NoDrive : BadInput;
    }
    const SyncItem& item = session.list().rows().constLast();
    m_io.out << "Added " << item.localPath << " -> " << item.remotePath << Qt::endl;
    return Ok;
}

Cli::MadeFolders Cli::makeOnDrive(const SyncSession& session, const QString& dest) {
    MadeFolders made;
    const QString root = session.FoundLetter();
    // Outside the drive, or with no drive: nothing to make, and the add says why.
    if (!session.driveFound() || !dest.startsWith(root))
        return made;
    // Where a path really is, links followed; empty when it does not exist.
    auto really = [](const QString& path) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        return canonical.isEmpty() || canonical.endsWith(QLatin1Char('/'))
                   ? canonical
                   : canonical + QLatin1Char('/');
    };
    const platform::FileStat drive = m_fs.stat(Path::fromText(root).native());
    const QString driveReally = really(root);
    if (!drive.isDirectory || driveReally.isEmpty())
        return made;
    QString folder = root;
    for (const QString& name : dest.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        folder += name;
        const std::string native = Path::fromText(folder).native();
        const platform::FileStat there = m_fs.stat(native);
        // Something that is not a folder, or a link that leads off the drive: the add
        // refuses it.
        if (there.exists && (!there.isDirectory || there.device != drive.device ||
                             !really(folder).startsWith(driveReally)))
            return made;
        if (!there.exists) {
            if (const platform::Status status = m_fs.makeDirectory(native); !status) {
                made.error = QStringLiteral("quillet-cli: the folder ") + folder +
                             QStringLiteral(" could not be made on the drive (") +
                             QString::fromStdString(status.error().message) +
                             QStringLiteral("). Nothing was changed.");
                return made;
            }
            made.paths << folder;
        }
        folder += QLatin1Char('/');
    }
    return made;
}

void Cli::unmake(const MadeFolders& made) {
    // Innermost first; a folder that holds something by now is left alone.
    for (auto folder = made.paths.crbegin(); folder != made.paths.crend(); ++folder)
        (void)m_fs.removeDirectory(Path::fromText(*folder).native());
}

int Cli::addWithDestination(SyncSession& session, const QString& dest,
                            const std::function<EditOutcome()>& add, const QString& unsaid) {
    const MadeFolders made = makeOnDrive(session, dest);
    if (!made.error.isEmpty()) {
        unmake(made);
        m_io.err << made.error << Qt::endl;
        return BadInput;
    }
    const EditOutcome outcome = add();
    if (!outcome.ok())
        unmake(made); // a refused add leaves the drive as it was
    else if (!made.paths.isEmpty())
        m_io.out << "Made the folder " << made.paths.constLast() << " on the drive." << Qt::endl;
    return added(session, outcome, unsaid);
}

int Cli::add(const QString& file, const QString& dest) {
    SyncSession session(m_store, m_fs, m_volumes);
    session.loadReadOnly();
    if (!paired(session))
        return NoDrive;
    session.SearchLetter();
    return addWithDestination(
        session, dest, [&] { return session.AddNewFile(file, dest); }, QString());
}

int Cli::addFolder(const QString& folder, const QString& dest) {
    SyncSession session(m_store, m_fs, m_volumes);
    session.loadReadOnly();
    if (!paired(session))
        return NoDrive;
    session.SearchLetter();
    session.RefreshFiles();
    // The window says nothing here; a command must say why it did nothing.
    return addWithDestination(
        session, dest, [&] { return session.AddNewFolder(folder, dest); },
        QStringLiteral("quillet-cli: ") + folder +
            QStringLiteral(" is not a folder that can be synchronized (missing, a link, "
                           "hidden or read-only)."));
}

int Cli::list() {
    SyncSession session(m_store, m_fs, m_volumes);
    session.loadReadOnly();
    session.SearchLetter();
    session.RefreshFiles();
    for (const SyncItem& item : session.list().rows()) {
        m_io.out << item.localPath << '\t' << item.sizeText << '\t' << item.remotePath;
        // An item whose local side is away says so; the others read as they always have.
        if (!item.localProblem.isEmpty())
            m_io.out << '\t' << item.status;
        m_io.out << Qt::endl;
    }
    return Ok;
}

int Cli::remove(const QString& number, bool deleteRemote) {
    SyncSession session(m_store, m_fs, m_volumes);
    session.loadReadOnly();
    session.SearchLetter();
    session.RefreshFiles();
    int n = 0;
    const qsizetype count = session.list().rows().size();
    if (!parseIndex(number, 1, static_cast<int>(qMax<qsizetype>(1, count)), n) || count == 0) {
        m_io.err << "quillet-cli: there is no item '" << number << "'; the list has " << count
                 << (count == 1 ? " item." : " items.") << Qt::endl;
        return BadInput;
    }
    const SyncItem item = session.list().rows().at(n - 1);
    if (deleteRemote && !item.isFolder && !session.driveFound()) {
        m_io.err << "quillet-cli: the drive is not present; the copy on it cannot be deleted. "
                    "Nothing was changed."
                 << Qt::endl;
        return NoDrive;
    }
    const EditOutcome outcome = session.RemoveItem(n - 1, deleteRemote);
    if (!outcome.ok() && outcome.code != EditOutcome::Code::RemoteNotDeleted) {
        m_io.err << "quillet-cli: " << outcome.message << Qt::endl;
        return BadInput;
    }
    m_io.out << "Removed " << item.localPath << Qt::endl;
    if (!outcome.ok()) {
        m_io.err << "quillet-cli: could not delete " << item.remotePath << ": " << outcome.message
                 << Qt::endl;
        return BadInput;
    }
    return Ok;
}

int Cli::sync(bool yes, bool no) {
    SyncSession session(m_store, m_fs, m_volumes);
    session.loadReadOnly();
    if (!paired(session))
        return NoDrive;
    session.SearchLetter();
    if (!session.driveFound()) {
        m_io.err << Translate(QStringLiteral("The selected removable drive was not found."))
                 << Qt::endl;
        return NoDrive;
    }
    TerminalView view(m_io.out, m_io.err, answerer(yes, no), standingAnswer(yes, no),
                      m_io.terminal);
    SyncEngine engine(session, view, m_logPath);
    engine.log().onLine = [&](const QString& line) { m_io.out << line << '\n'; };
    engine.Syncronize();
    if (session.passBusy()) {
        m_io.err << "quillet-cli: a pass is already running (started by quillet-cli or Quillet "
                    "for this user); nothing was done. Try again when it has ended."
                 << Qt::endl;
        return PassRunning;
    }
    for (const SyncItem& item : session.list().rows())
        m_io.out << item.localPath << '\t' << item.status << '\n';
    summarise(engine);
    m_io.out.flush();
    if (engine.lastPass().stopped) {
        m_io.err << "quillet-cli: the pass was stopped before its end; the file in progress was "
                    "finished, the rest was left for the next pass."
                 << Qt::endl;
        return Stopped;
    }
    return engine.lastPass().failures > 0 ? CopyFailed : Ok;
}

std::optional<bool> Cli::standingAnswer(bool yes, bool no) const {
    if (yes || no)
        return yes;
    if (!m_io.readLine)
        return false; // nobody to ask
    return std::nullopt;
}

std::function<bool(const QString&)> Cli::answerer(bool yes, bool no) {
    // --yes or --no answers every question; otherwise the terminal is asked, if there is one.
    return [this, yes, no](const QString&) {
        if (yes || no)
            return yes;
        return ask(QStringLiteral("Replace?"));
    };
}

void Cli::summarise(const SyncEngine& engine) {
    // For the person at the terminal: the files a folder walk creates have no log line.
    // Scripts reading the output get the log and the rows as they always have.
    if (!m_io.terminal)
        return;
    const SyncEngine::Summary& pass = engine.lastPass();
    m_io.out << (pass.stopped ? "Stopped pass: " : "Pass: ") << pass.toDrive
             << " copied to the drive, " << pass.toLocal << " copied to the PC, " << pass.unchanged
             << " unchanged, " << pass.failures << " failed";
    if (pass.conflicts > 0)
        m_io.out << ", " << pass.conflicts << " changed on both sides (both copies kept)";
    m_io.out << '.' << Qt::endl;
}

int Cli::autostart(const QString& what) {
    platform::AutostartEntry entry(m_windowProgram);
    auto say = [&] {
        const std::optional<QStringList> command = entry.command();
        if (!command) {
            m_io.out << "Quillet does not start at login." << Qt::endl;
            return;
        }
        m_io.out << "Quillet starts at login: " << command->join(QLatin1Char(' ')) << " ("
                 << entry.path() << ")" << Qt::endl;
    };
    if (what == QLatin1String("status")) {
        say();
        return Ok;
    }
    if (what != QLatin1String("on") && what != QLatin1String("off")) {
        m_io.err << "quillet-cli: autostart takes on, off or status, not '" << what << "'."
                 << Qt::endl;
        return BadInput;
    }
    const bool on = what == QLatin1String("on");
    // An entry for a program that is not there would start nothing at every login.
    if (on && !QFileInfo(m_windowProgram).isExecutable()) {
        m_io.err << "quillet-cli: the windowed program " << m_windowProgram
                 << " is not installed beside quillet-cli; nothing was changed." << Qt::endl;
        return BadInput;
    }
    const platform::Status done = on ? entry.turnOn() : entry.turnOff();
    if (!done) {
        m_io.err << "quillet-cli: " << QString::fromStdString(done.error().message)
                 << "; nothing was changed." << Qt::endl;
        return BadInput;
    }
    say();
    return Ok;
}

int Cli::log() {
    m_io.out << ReadTextFile(m_logPath) << Qt::flush;
    return Ok;
}

int Cli::watch(bool yes, bool no) {
    SyncSession session(m_store, m_fs, m_volumes);
    session.loadReadOnly();
    if (!paired(session))
        return NoDrive;
    TerminalView view(m_io.out, m_io.err, answerer(yes, no), standingAnswer(yes, no),
                      m_io.terminal);
    SyncEngine engine(session, view, m_logPath);
    engine.log().onLine = [&](const QString& line) { m_io.out << line << '\n'; };
    bool present = false;
    DriveWatch& watcher = session.watch();
    bool waiting = false;
    bool cutShort = false;
    watcher.runPass = [&] {
        engine.Syncronize();
        if (!session.passBusy())
            summarise(engine);
        cutShort = !session.passBusy() && engine.lastPass().stopped;
        // Another process is passing: the next search tries again.
        if (session.passBusy() && !waiting)
            m_io.out << "Another pass is running; waiting for the next search." << Qt::endl;
        waiting = session.passBusy();
        m_io.out.flush();
    };
    watcher.onFound = [&] {
        if (!present)
            m_io.out << "Drive found at " << session.FoundLetter() << Qt::endl;
        present = true;
    };
    // Other processes may add, remove, pair or choose options meanwhile: each search and the
    // pass that follows it work on the settings as they are stored now.
    watcher.onSearching = [&] { session.reloadSettings(); };
    watcher.onNotFound = [&] {
        if (present)
            m_io.out << Translate(QStringLiteral("The selected removable drive was not found."))
                     << Qt::endl;
        present = false;
    };
    m_io.out << "Watching for the drive every " << watcher.RefreshSeconds
             << " seconds; press Ctrl+C to stop." << Qt::endl;

    QEventLoop loop;
    QTimer ticker;
    ticker.setInterval(1000);
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        watcher.tick();
        if (interruptRequested())
            loop.quit();
    });
    QTimer poll;
    poll.setInterval(100);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (interruptRequested())
            loop.quit();
    });
    ticker.start();
    poll.start();
    if (!interruptRequested())
        loop.exec();
    m_io.out << "Stopped." << Qt::endl;
    // Stopped between passes, the watch has done all it was asked; during one, it has not.
    return cutShort ? Stopped : Ok;
}

} // namespace quillet
