#include "Cli.h"

#include "CommandAnswers.h"
#include "TerminalPass.h"

#include "base/Format.h"
#include "base/Path.h"
#include "base/Translate.h"
#include "platform/AppPaths.h"
#include "platform/AutostartEntry.h"
#include "sync/SyncController.h"
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

// The options any command may take, in the order --help lists them.
struct OptionInfo {
    const char* name;
    const char* description;
};
constexpr OptionInfo Options[] = {
    {"all", "drives: every drive type."},
    {"same-root", "pair: only under the same mount point."},
    {"yes", "Answer yes to questions."},
    {"no", "Answer no to questions."},
    {"delete-remote", "remove: delete the copy on the drive."},
    {"dry-run", "sync: list what a pass would do; change nothing."},
};

const char* const ExitStatusHelp = R"(Exit status:
  0  done
  1  bad usage or input, or the settings could not be saved
  2  no drive is paired, or the paired drive is not present
  3  a copy failed (the log and the row say which), or with --dry-run would fail
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

// The number text stands for when it lies from low to high.
std::optional<int> parseIndex(const QString& text, int low, int high) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
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

} // namespace

// A command: its name, its arguments and options as the usage shows them, how its session
// is set up before it runs, and the line --help gives it. Lines of help after the first are
// indented under it.
struct Cli::Command {
    enum class Setup {
        None,   // no session, the settings are not read
        Fresh,  // a session on readable settings, nothing loaded yet
        Loaded, // the pairing, the options and the list as stored
        Paired, // the same, and a drive must be paired
    };
    enum class Look { Stored, Drive, DriveAndList };

    const char* name;
    const char* arguments;
    QList<const char*> options;
    Setup setup;
    Look look;
    int (Cli::*handler)(const Call&);
    const char* help;
};

// One run of a command: what was given, and the session set up for it.
struct Cli::Call {
    QStringList args;
    QStringList options; // the names of the options given
    SyncSession* session = nullptr;

    bool isSet(const char* option) const { return options.contains(QLatin1String(option)); }
    AnswerPolicy::Given given() const {
        if (isSet("yes"))
            return AnswerPolicy::Given::Yes;
        return isSet("no") ? AnswerPolicy::Given::No : AnswerPolicy::Given::None;
    }
};

namespace {

using Setup = Cli::Command::Setup;
using Look = Cli::Command::Look;

} // namespace

const QList<Cli::Command>& Cli::commands() {
    // Arguments in brackets may be left out. A new option is a name in the command's list
    // (and, when no command took it before, a line in Options).
    // clang-format off
    static const QList<Command> table = {
        {"drives", "", {"all"}, Setup::None, Look::Stored, &Cli::drives,
         "list the drives that can be paired"},
        {"pair", "ROOT", {"same-root", "yes"}, Setup::Fresh, Look::Stored, &Cli::pair,
         "pair the drive mounted at ROOT (a new pairing\n"
         "forgets the list of the drive paired before)"},
        {"same-root", "on|off", {}, Setup::Loaded, Look::Stored, &Cli::sameRootOnly,
         "find the paired drive only under the root it was\n"
         "paired at, or under any; the list stays"},
        {"status", "", {}, Setup::Loaded, Look::Stored, &Cli::status,
         "show the pairing, the drive and the options"},
        {"mode", "[N]", {}, Setup::Loaded, Look::Stored, &Cli::mode,
         "show or set the conflict mode (0 to 5)"},
        {"refresh", "[N]", {}, Setup::Loaded, Look::Stored, &Cli::refresh,
         "show or set the refresh-time choice (0 to 8)"},
        {"add", "FILE DEST_FOLDER", {}, Setup::Paired, Look::Drive, &Cli::add,
         "keep FILE in step with a copy in DEST_FOLDER on the drive"},
        {"add-folder", "FOLDER DEST_FOLDER", {}, Setup::Paired, Look::DriveAndList, &Cli::addFolder,
         "keep FOLDER in step with DEST_FOLDER on the drive\n"
         "(a DEST_FOLDER missing on the drive is made)"},
        {"list", "", {}, Setup::Loaded, Look::DriveAndList, &Cli::list,
         "list the sync items"},
        {"remove", "N", {"delete-remote"}, Setup::Loaded, Look::DriveAndList, &Cli::remove,
         "remove item N (from 1)"},
        {"sync", "", {"yes", "no", "dry-run"}, Setup::Paired, Look::Drive, &Cli::sync,
         "find the drive and run one pass now"},
        {"log", "", {}, Setup::None, Look::Stored, &Cli::log,
         "print the log of the last pass"},
        {"watch", "", {"yes", "no"}, Setup::Paired, Look::Stored, &Cli::watch,
         "watch for the drive and pass whenever it is found"},
        {"autostart", "on|off|status", {}, Setup::None, Look::Stored, &Cli::autostart,
         "start Quillet in the notification area at login, or not"},
    };
    // clang-format on
    return table;
}

namespace {

// Where the help of each command starts on its line.
constexpr int HelpColumn = 36;

} // namespace

QString Cli::usage() {
    QString text = QStringLiteral("Commands:\n");
    for (const Command& command : commands()) {
        QString synopsis = QString::fromLatin1(command.name);
        if (*command.arguments)
            synopsis += QLatin1Char(' ') + QString::fromLatin1(command.arguments);
        for (qsizetype at = 0; at < command.options.size(); ++at) {
            const QLatin1String option(command.options.at(at));
            // --yes and --no exclude each other.
            if (option == QLatin1String("yes") && at + 1 < command.options.size() &&
                QLatin1String(command.options.at(at + 1)) == QLatin1String("no")) {
                synopsis += QStringLiteral(" [--yes | --no]");
                ++at;
            } else {
                synopsis += QStringLiteral(" [--") + option + QLatin1Char(']');
            }
        }
        const QStringList help = QString::fromLatin1(command.help).split(QLatin1Char('\n'));
        text += QStringLiteral("  ") + synopsis.leftJustified(HelpColumn - 3) + QLatin1Char(' ') +
                help.join(QLatin1Char('\n') + QString(HelpColumn, QLatin1Char(' '))) +
                QLatin1Char('\n');
    }
    return text + QLatin1Char('\n') + QString::fromLatin1(ExitStatusHelp);
}

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
      m_logPath(std::move(logPath)),
      m_windowProgram(platform::AppPath() + QStringLiteral("quillet")) {}

AnswerPolicy Cli::policy(const Call& call) const {
    return AnswerPolicy(call.given(), m_io.err, m_io.readLine);
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

Cli::OpenedSession Cli::openSession(const Command& command) {
    OpenedSession opened;
    if (command.setup == Setup::None)
        return opened;
    if (!settingsUsable()) {
        opened.failure = BadInput;
        return opened;
    }
    opened.session = std::make_unique<SyncSession>(m_store, m_fs, m_volumes);
    SyncSession& session = *opened.session;
    if (command.setup == Setup::Fresh)
        return opened;
    session.loadReadOnly();
    if (command.setup == Setup::Paired && !session.hasPairedDrive()) {
        m_io.err << "quillet-cli: no drive is paired. Pair one with 'quillet-cli pair ROOT'."
                 << Qt::endl;
        opened.failure = NoDrive;
        return opened;
    }
    if (command.look != Look::Stored)
        session.SearchLetter();
    if (command.look == Look::DriveAndList)
        session.RefreshFiles();
    return opened;
}

int Cli::run(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Keeps files and folders in step with a paired removable drive.\n\n") +
        usage());
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version."));
    parser.addOptions({help, version});
    for (const OptionInfo& option : Options)
        parser.addOption(QCommandLineOption(QString::fromLatin1(option.name),
                                            QString::fromLatin1(option.description)));
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
    const QString& name = args.first();
    const auto found = std::find_if(commands().cbegin(), commands().cend(), [&](const Command& c) {
        return name == QLatin1String(c.name);
    });
    if (found == commands().cend()) {
        m_io.err << "quillet-cli: unknown command '" << name << "'. Try 'quillet-cli --help'."
                 << Qt::endl;
        return BadInput;
    }
    const Command& command = *found;
    Call call;
    call.args = args.mid(1);
    const QStringList shape =
        QString::fromLatin1(command.arguments).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const auto optional = std::count_if(shape.cbegin(), shape.cend(), [](const QString& argument) {
        return argument.startsWith(QLatin1Char('['));
    });
    if (call.args.size() < shape.size() - optional || call.args.size() > shape.size()) {
        m_io.err << "quillet-cli: wrong number of arguments for '" << name
                 << "'. Try 'quillet-cli --help'." << Qt::endl;
        return BadInput;
    }
    for (const OptionInfo& option : Options) {
        const QString optionName = QString::fromLatin1(option.name);
        if (!parser.isSet(optionName))
            continue;
        if (std::none_of(command.options.cbegin(), command.options.cend(),
                         [&](const char* taken) { return optionName == QLatin1String(taken); })) {
            m_io.err << "quillet-cli: '" << name << "' does not take --" << optionName << "."
                     << Qt::endl;
            return BadInput;
        }
        call.options << optionName;
    }
    if (call.isSet("yes") && call.isSet("no")) {
        m_io.err << "quillet-cli: --yes and --no cannot be given together." << Qt::endl;
        return BadInput;
    }
    const OpenedSession opened = openSession(command);
    if (opened.failure != Ok)
        return opened.failure;
    call.session = opened.session.get();
    return (this->*command.handler)(call);
}

int Cli::drives(const Call& call) {
    DriveIdentity identity(m_volumes);
    const auto candidates = identity.RefreshDrives(call.isSet("all"));
    if (!candidates.enabled) {
        m_io.out << candidates.emptyText << Qt::endl;
        return Ok;
    }
    for (const QString& entry : candidates.entries)
        m_io.out << entry << Qt::endl;
    return Ok;
}

int Cli::pair(const Call& call) {
    SyncSession& session = *call.session;
    const QString rootArgument = absolute(call.args.at(0));
    // An empty argument is no root: it must never become "/", the system's own disk.
    const QString root = rootArgument.isEmpty() ? QString() : withSeparator(rootArgument);
    CommandAnswers answers(m_fs, policy(call));
    SyncController controller(session, answers);
    const auto outcome = controller.pair(root, call.isSet("same-root"));
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

QString Cli::forgotText(int count) {
    return count == 1 ? Translate(QStringLiteral("The list of the drive paired before was "
                                                 "forgotten: 1 item."))
                      : Translate(QStringLiteral("The list of the drive paired before was "
                                                 "forgotten: %1 items."))
                            .arg(count);
}

int Cli::sameRootOnly(const Call& call) {
    const QString& what = call.args.at(0);
    if (what != QLatin1String("on") && what != QLatin1String("off")) {
        m_io.err << Translate(QStringLiteral("quillet-cli: same-root takes on or off, not '%1'."))
                        .arg(what)
                 << Qt::endl;
        return BadInput;
    }
    SyncSession& session = *call.session;
    if (!session.hasPairedDrive()) {
        m_io.err << "quillet-cli: no drive is paired. Pair one with 'quillet-cli pair ROOT'."
                 << Qt::endl;
        return NoDrive;
    }
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

int Cli::status(const Call& call) {
    SyncSession& session = *call.session;
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
    const std::optional<int> value = parseIndex(args.first(), 0, high);
    if (!value) {
        m_io.err << "quillet-cli: the " << what << " must be a number from 0 to " << high
                 << ", not '" << args.first() << "'." << Qt::endl;
        return BadInput;
    }
    if (const EditOutcome outcome = select(*value); !outcome.ok()) {
        m_io.err << "quillet-cli: " << outcome.message << Qt::endl;
        return BadInput;
    }
    m_io.out << *value << " " << caption(*value) << Qt::endl;
    return Ok;
}

int Cli::mode(const Call& call) {
    SyncSession& session = *call.session;
    // A stored mode outside the list is still shown as the number it is.
    if (call.args.isEmpty()) {
        m_io.out << session.conflictMode.value() << " "
                 << conflictCaption(session.conflictSelection()) << Qt::endl;
        return Ok;
    }
    return choose(call.args, "conflict mode", 5, session.conflictMode.value(), conflictCaption,
                  [&](int index) { return session.selectConflictMode(index); });
}

int Cli::refresh(const Call& call) {
    SyncSession& session = *call.session;
    return choose(call.args, "refresh choice", 8, session.refreshSelection().value_or(-1),
                  refreshCaption, [&](int index) { return session.selectRefreshTime(index); });
}

int Cli::addWith(const Call& call, bool folder) {
    SyncSession& session = *call.session;
    const QString path = absolute(call.args.at(0));
    CommandAnswers answers(m_fs, policy(call));
    answers.setDestination(absolute(call.args.at(1)));
    SyncController controller(session, answers);
    const EditOutcome outcome = folder ? controller.addFolder(path) : controller.addFile(path);
    if (!answers.error().isEmpty()) {
        answers.unmake();
        m_io.err << answers.error() << Qt::endl;
        return BadInput;
    }
    if (!outcome.ok()) {
        answers.unmake(); // a refused add leaves the drive as it was
        // The window says nothing of a folder that cannot be added; a command must say why
        // it did nothing.
        const QString unsaid = folder ? QStringLiteral("quillet-cli: ") + path +
                                            QStringLiteral(" is not a folder that can be "
                                                           "synchronized (missing, a link, "
                                                           "hidden or read-only).")
                                      : QString();
        m_io.err << (outcome.message.isEmpty() ? unsaid : outcome.message) << Qt::endl;
        return outcome.code == EditOutcome::Code::DriveAbsent ? NoDrive : BadInput;
    }
    if (const QString made = answers.madeFolder(); !made.isEmpty())
        m_io.out << "Made the folder " << made << " on the drive." << Qt::endl;
    const SyncItem& item = session.list().rows().constLast();
    m_io.out << "Added " << item.localPath << " -> " << item.remotePath << Qt::endl;
    return Ok;
}

int Cli::add(const Call& call) {
    return addWith(call, false);
}

int Cli::addFolder(const Call& call) {
    return addWith(call, true);
}

int Cli::list(const Call& call) {
    for (const SyncItem& item : call.session->list().rows()) {
        m_io.out << item.localPath << '\t' << item.sizeText << '\t' << item.remotePath;
        // An item whose local side is away says so; the others read as they always have.
        if (!item.localProblem.isEmpty())
            m_io.out << '\t' << item.status;
        m_io.out << Qt::endl;
    }
    return Ok;
}

int Cli::remove(const Call& call) {
    SyncSession& session = *call.session;
    const QString& number = call.args.at(0);
    const qsizetype count = session.list().rows().size();
    const std::optional<int> row =
        count == 0 ? std::nullopt : parseIndex(number, 1, static_cast<int>(count));
    if (!row) {
        m_io.err << "quillet-cli: there is no item '" << number << "'; the list has " << count
                 << (count == 1 ? " item." : " items.") << Qt::endl;
        return BadInput;
    }
    const SyncItem item = session.list().rows().at(*row - 1);
    CommandAnswers answers(m_fs, policy(call));
    answers.setDeleteCopy(call.isSet("delete-remote"));
    SyncController controller(session, answers);
    const EditOutcome outcome = controller.removeRow(*row - 1);
    if (outcome.code == EditOutcome::Code::DriveAbsent) {
        m_io.err << "quillet-cli: the drive is not present; the copy on it cannot be deleted. "
                    "Nothing was changed."
                 << Qt::endl;
        return NoDrive;
    }
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

int Cli::sync(const Call& call) {
    TerminalPass pass(m_io, m_logPath, policy(call));
    return call.isSet("dry-run") ? pass.preview(*call.session) : pass.once(*call.session);
}

int Cli::autostart(const Call& call) {
    const QString& what = call.args.at(0);
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

int Cli::log(const Call& /*call*/) {
    m_io.out << ReadTextFile(m_logPath) << Qt::flush;
    return Ok;
}

int Cli::watch(const Call& call) {
    return TerminalPass(m_io, m_logPath, policy(call)).watch(*call.session);
}

} // namespace quillet
