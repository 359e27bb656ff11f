#pragma once

#include "base/Clock.h"
#include "sync/SyncView.h"

#include <QStringList>
#include <functional>
#include <map>

namespace quillet::test {

// Remembers everything a pass shows, and answers its questions from a script.
class RecordingView : public SyncView {
public:
    void passStarted() override { events << QStringLiteral("started"); }
    void passEnded() override { events << QStringLiteral("ended"); }
    void setRowBold(int row, bool bold) override {
        events << QStringLiteral("bold %1 %2").arg(row).arg(bold ? 1 : 0);
        if (onBold)
            onBold(row, bold);
    }
    void setRowStatus(int row, const QString& status) override { statuses[row] << status; }
    void setRowReason(int row, const QString& reason) override { reasons[row] = reason; }
    void copyProgress(const QString& file, qint64 done, qint64 total) override {
        progress << QStringLiteral("%1 %2/%3").arg(file).arg(done).arg(total);
        if (onProgress)
            onProgress(done);
    }
    void setFileStatus(const QString& text) override { fileStatuses << text; }
    bool confirmReplacement(const QString& title, const QString& question) override {
        titles << title;
        questions << question;
        return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
    }
    void yield() override {
        ++yields;
        if (onYield)
            onYield();
    }
    bool stopRequested() override { return stop; }

    QStringList events;
    std::map<int, QStringList> statuses;
    std::map<int, QString> reasons;
    QStringList progress;
    QStringList fileStatuses;
    QStringList titles;
    QStringList questions;
    QList<bool> answers;
    bool defaultAnswer = true;
    int yields = 0;
    bool stop = false;
    std::function<void(int, bool)> onBold;
    std::function<void(qint64)> onProgress;
    std::function<void()> onYield;
};

} // namespace quillet::test
