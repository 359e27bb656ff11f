#pragma once

#include <QDateTime>

namespace quillet {

// The clock behind every stamp a pass writes; tests hold it still.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }
    static const Clock& system();
};

// A clock that stands still.
class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime when) : m_when(std::move(when)) {}
    QDateTime now() const override { return m_when; }
    void set(const QDateTime& when) { m_when = when; }

private:
    QDateTime m_when;
};

} // namespace quillet
