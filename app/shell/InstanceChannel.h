#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace quillet {

// How a later start of the program reaches the running one: it hands over its command line
// (empty for a plain start), and the running one brings its window forward and adds the
// item named there.
class InstanceChannel : public QObject {
    Q_OBJECT

public:
    // The channel's name for the instance lock of one settings store.
    static QString nameFor(const QString& lockName);

    explicit InstanceChannel(QString name, QObject* parent = nullptr);
    ~InstanceChannel() override;
    // Opens the channel; only the holder of the instance lock calls it, so a channel left
    // behind by a program that died is taken over. False when it cannot be opened.
    bool listen();

    // From a later start: hands commandLine over and waits for the running program to take
    // it. False when no program answers within timeoutMs.
    static bool send(const QString& name, const QString& commandLine, int timeoutMs = 3000);

Q_SIGNALS:
    // A later start handed this over; emitted after it was answered.
    void received(const QString& commandLine);

private:
    void takeConnection();

    QString m_name;
    QLocalServer* m_server = nullptr;
};

} // namespace quillet
