#pragma once

#include "Cli.h"
#include "base/Format.h"
#include "sync/SyncView.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <optional>

namespace quillet {

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

} // namespace quillet
