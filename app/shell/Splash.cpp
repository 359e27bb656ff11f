#include "Splash.h"

#include "Pictures.h"

#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace quillet {

Splash::Splash(const BuildVersion& version, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_img(new QLabel(this)), m_ver(new QLabel(this)), m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("Splash"));
    setWindowTitle(Captions::programTitle());
    // The strip beside the picture takes the colour of the picture's edge.
    setStyleSheet(QStringLiteral("QDialog#Splash { background: #0c1a30; }"));
    m_img->setObjectName(QStringLiteral("img"));
    m_img->setPixmap(Pictures::picture(QStringLiteral("splash")));
    m_img->adjustSize();
    m_ver->setObjectName(QStringLiteral("Ver"));
    m_ver->setText(Captions::splashVersion(version));
    m_ver->setStyleSheet(QStringLiteral("color: #dfe9f5;"));
    m_ver->adjustSize();

    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(ShowMilliseconds);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &QDialog::accept);
    m_timer->start(); // from the moment the window loads
    applyFit();
}

Splash::Geometry Splash::fit(const QSize& picture, const QSize& ver) {
    Geometry places;
    places.picture = QRect(QPoint(0, 0), picture);
    places.window =
        QSize(picture.width() + 2 * BorderPixels + 5, picture.height() + 2 * BorderPixels + 5);
    places.ver = QRect(QPoint(picture.width() - 10 - ver.width(), 5), ver);
    return places;
}

void Splash::applyFit() {
    const Geometry places = fit(m_img->pixmap().size(), m_ver->sizeHint());
    m_img->setGeometry(places.picture);
    m_ver->setGeometry(places.ver);
    m_ver->raise();
    if (size() != places.window)
        setFixedSize(places.window);
}

void Splash::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    applyFit();
}

void Splash::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* where = screen()) {
        const QRect area = where->availableGeometry();
        move(area.center() - rect().center());
    }
}

} // namespace quillet
