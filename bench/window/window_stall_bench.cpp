// The main window during a pass, with a probe on its event loop: how long the window goes
// without handling events (a stall), and how soon Stop takes effect.
//
//   window_stall_bench [--stop-during-copy | --stop-in-folder-after MS]
//
// It uses the per-user settings and log like the program itself (point XDG_CONFIG_HOME and
// XDG_DATA_HOME at a scratch place), with a drive paired and the items added beforehand;
// bench-stall.sh does all of that. Output: one "key value" line per figure.
#include "platform/AppPaths.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
#include "platform/VolumeService.h"
#include "shell/Master.h"
#include "shell/SyncListModel.h"
#include "sync/SyncSession.h"

#include <GraphicBar.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

using namespace quillet;

namespace {

// Every event-loop turn that services timers runs the probe; the gaps between its runs are
// what a person waits for the window to answer.
class LoopProbe {
public:
    // What the window was doing, to say where the longest stall happened.
    std::function<QString()> context;

    void start() {
        m_clock.start();
        m_last = 0;
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(Interval);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            const qint64 gap = (now - m_last) / 1000; // microseconds
            m_gaps.push_back(gap);
            m_last = now;
            const QString here = context ? context() : QString();
            if (gap > m_longest) {
                m_longest = gap;
                m_longestWhere = m_lastContext + QStringLiteral(" -> ") + here;
            }
            m_lastContext = here;
        });
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    std::vector<qint64> gapsMicros() const { return m_gaps; }
    QString longestWhere() const { return m_longestWhere; }
    static constexpr int Interval = 2;

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    std::vector<qint64> m_gaps;
    qint64 m_longest = 0;
    QString m_lastContext;
    QString m_longestWhere;
};

double percentile(std::vector<qint64> values, double fraction) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return static_cast<double>(values[at]) / 1000.0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillet"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillet"));

    bool stopDuringCopy = false;
    std::optional<int> stopInFolderAfter;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype at = 1; at < args.size(); ++at) {
        if (args[at] == QLatin1String("--stop-during-copy"))
            stopDuringCopy = true;
        else if (args[at] == QLatin1String("--stop-in-folder-after") && at + 1 < args.size())
            stopInFolderAfter = args[++at].toInt();
        else {
            std::fprintf(stderr, "usage: window_stall_bench [--stop-during-copy | "
                                 "--stop-in-folder-after MS]\n");
            return 2;
        }
    }

    auto store = platform::openSettingsStore();
    SyncSession session(*store, platform::FileSystem::system(), platform::VolumeService::system());
    Master master(session, platform::LogFilePath());
    master.show();
    session.SearchLetter();
    if (!session.driveFound()) {
        std::fprintf(stderr, "the paired drive is not mounted\n");
        return 1;
    }

    // The window's parts, found as a person's tools find them.
    auto* model = master.findChild<SyncListModel*>();
    auto* copyBar = master.findChild<GraphicBar*>(QStringLiteral("CopyBar"));
    auto* fileStatus = master.findChild<QLabel*>(QStringLiteral("FileStatus"));
    LoopProbe probe;
    probe.context = [&] {
        int bold = -1;
        for (int row = 0; row < model->rowCount(); ++row)
            bold = model->rowBold(row) ? row : bold;
        // The whole path is in the tooltip when the label shows it shortened.
        const QString file =
            fileStatus->toolTip().isEmpty() ? fileStatus->text() : fileStatus->toolTip();
        return QStringLiteral("[row %1, %2, %3]")
            .arg(bold + 1)
            .arg(copyBar->isVisible() ? QStringLiteral("bar %1%").arg(copyBar->value())
                                      : QStringLiteral("no bar"))
            .arg(file.section(QLatin1Char('/'), -3));
    };
    QElapsedTimer passClock;
    qint64 stopAt = -1;
    int rowsAtStop = -1;
    int boldRow = -1;
    QElapsedTimer rowClock;
    QObject::connect(model, &QAbstractItemModel::dataChanged, [&] {
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->rowBold(row) && row != boldRow) {
                boldRow = row;
                rowClock.start();
            }
        }
    });
    // Stop, pressed the way the button does it, when the scenario says so.
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (stopAt >= 0)
            return;
        // The file row in hand: its copy may be over before the bar would show.
        const bool copying = boldRow >= 0 && !master.session().list().rows().at(boldRow).isFolder;
        const bool deepInFolder = stopInFolderAfter && boldRow >= 0 &&
                                  master.session().list().rows().at(boldRow).isFolder &&
                                  rowClock.elapsed() >= *stopInFolderAfter;
        if ((stopDuringCopy && copying) || deepInFolder) {
            stopAt = passClock.elapsed();
            rowsAtStop = boldRow + 1;
            master.stopPass();
        }
    });
    if (stopDuringCopy || stopInFolderAfter)
        stopper.start(5);

    QTimer::singleShot(300, [&] {
        probe.start();
        passClock.start();
        master.Syncronize();
        const qint64 passMs = passClock.elapsed();
        probe.stop();
        stopper.stop();

        const std::vector<qint64> gaps = probe.gapsMicros();
        const qint64 longest = gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end());
        const auto over = [&](qint64 ms) {
            return std::count_if(gaps.begin(), gaps.end(),
                                 [ms](qint64 gap) { return gap > ms * 1000; });
        };
        QTextStream out(stdout);
        out << "pass_seconds " << QString::number(static_cast<double>(passMs) / 1000.0, 'f', 3)
            << "\n";
        out << "loop_turns " << gaps.size() << "\n";
        out << "longest_stall_ms " << QString::number(static_cast<double>(longest) / 1000.0, 'f', 1)
            << "\n";
        out << "longest_stall_where "
            << probe.longestWhere().replace(QLatin1Char(' '), QLatin1Char('_')) << "\n";
        out << "p99_gap_ms " << QString::number(percentile(gaps, 0.99), 'f', 1) << "\n";
        out << "gaps_over_50ms " << over(50) << "\n";
        out << "gaps_over_100ms " << over(100) << "\n";
        out << "copies " << master.engine().lastPass().copies << "\n";
        out << "failures " << master.engine().lastPass().failures << "\n";
        out << "stopped " << (master.engine().lastPass().stopped ? 1 : 0) << "\n";
        if (stopAt >= 0) {
            out << "stop_pressed_ms " << stopAt << "\n";
            out << "stop_to_end_ms " << (passMs - stopAt) << "\n";
            out << "row_at_stop " << rowsAtStop << "\n";
            int rowsTouched = 0;
            for (const SyncItem& item : master.session().list().rows())
                rowsTouched += item.status.isEmpty() ? 0 : 1;
            out << "rows_with_status " << rowsTouched << "\n";
        }
        out.flush();
        QCoreApplication::quit();
    });
    return app.exec();
}
