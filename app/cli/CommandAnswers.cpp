#include "CommandAnswers.h"

#include "base/Path.h"
#include "base/Translate.h"

#include <QFileInfo>

namespace quillet {

std::optional<bool> AnswerPolicy::standing() const {
    if (m_given != Given::None)
        return m_given == Given::Yes;
    if (!m_readLine)
        return false; // nobody to ask
    return std::nullopt;
}

bool AnswerPolicy::answer(const QString& question) const {
    if (m_given != Given::None)
        return m_given == Given::Yes;
    if (!m_readLine)
        return false; // nobody to ask: the safe answer
    m_err << question << QStringLiteral(" [y/N] ") << Qt::flush;
    QString typed;
    if (!m_readLine(typed))
        return false;
    typed = typed.trimmed().toLower();
    return typed == QLatin1String("y") || typed == QLatin1String("yes");
}

bool CommandAnswers::replacePairing(int storedItems) {
    if (m_policy.given() == AnswerPolicy::Given::Yes)
        return true;
    if (storedItems > 0)
        m_policy.err() << forgetsText(storedItems) << Qt::endl
                       << Translate(QStringLiteral("To change only the same-root option, use "
                                                   "'quillet-cli same-root on|off'."))
                       << Qt::endl;
    return m_policy.answer(Translate(
        QStringLiteral("You have already set a drive, do you wish to substitute this drive ?")));
}

QString CommandAnswers::madeDestination(const QString& root) {
    // Outside the drive: nothing to make, and the add says why.
    if (!m_dest.startsWith(root))
        return m_dest;
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
        return m_dest;
    QString folder = root;
    for (const QString& name :
         m_dest.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        folder += name;
        const std::string native = Path::fromText(folder).native();
        const platform::FileStat there = m_fs.stat(native);
        // Something that is not a folder, or a link that leads off the drive: the add
        // refuses it.
        if (there.exists && (!there.isDirectory || there.device != drive.device ||
                             !really(folder).startsWith(driveReally)))
            return m_dest;
        if (!there.exists) {
            if (const platform::Status made = m_fs.makeDirectory(native); !made) {
                m_error = QStringLiteral("quillet-cli: the folder ") + folder +
                          QStringLiteral(" could not be made on the drive (") +
                          QString::fromStdString(made.error().message) +
                          QStringLiteral("). Nothing was changed.");
                return QString();
            }
            m_made << folder;
        }
        folder += QLatin1Char('/');
    }
    return m_dest;
}

void CommandAnswers::unmake() {
    for (auto folder = m_made.crbegin(); folder != m_made.crend(); ++folder)
        (void)m_fs.removeDirectory(Path::fromText(*folder).native());
}

QString CommandAnswers::forgetsText(int count) {
    return count == 1 ? Translate(QStringLiteral("A new pairing forgets the list of the drive "
                                                 "paired now: 1 item."))
                      : Translate(QStringLiteral("A new pairing forgets the list of the drive "
                                                 "paired now: %1 items."))
                            .arg(count);
}

} // namespace quillet
