#pragma once

#include <QIcon>
#include <QString>

namespace quillet {

// The record the control hands to the shell for its one notification-area icon.
// Icon "handles" are the icons' cache keys: equal keys mean the same picture.
struct TrayIconData {
    static constexpr int TipLength = 64;
    static constexpr quint32 RecordSize = 88;

    quint32 cbSize = 0;
    quint32 hWnd = 0;
    qint64 uID = 0;
    quint32 uFlags = 0;
    quint32 uCallbackMessage = 0;
    qint64 hIcon = 0;
    QIcon icon; // the picture behind hIcon, for a shell that has to draw it
    QString szTip = QString(TipLength, QChar(0));
    // The message beside the icon, for a modify that carries NIF_INFO.
    QString szInfoTitle;
    QString szInfo;

    // Left-aligned in a field of TipLength characters: cut when longer, blank-padded.
    static QString FixedTip(const QString& text) {
        return text.left(TipLength).leftJustified(TipLength, QLatin1Char(' '));
    }
};

} // namespace quillet
